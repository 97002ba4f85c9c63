#pragma once
// What a text input asks of the keyboard: its kind (which decides its height), its return
// key, whether what is typed is hidden, capitalisation, and whether the return key waits for
// text. Text fields and text views keep these; the keyboard and the automation read them.
// Main thread only.

enum UIKeyboardType : long {
    UIKeyboardTypeDefault = 0,
    UIKeyboardTypeASCIICapable = 1,
    UIKeyboardTypeNumbersAndPunctuation = 2,
    UIKeyboardTypeURL = 3,
    UIKeyboardTypeNumberPad = 4,
    UIKeyboardTypePhonePad = 5,
    UIKeyboardTypeNamePhonePad = 6,
    UIKeyboardTypeEmailAddress = 7,
    UIKeyboardTypeDecimalPad = 8,
    UIKeyboardTypeTwitter = 9,
    UIKeyboardTypeWebSearch = 10,
    UIKeyboardTypeASCIICapableNumberPad = 11,
};

enum UIReturnKeyType : long {
    UIReturnKeyDefault = 0,
    UIReturnKeyGo = 1,
    UIReturnKeyJoin = 3,
    UIReturnKeyNext = 4,
    UIReturnKeyRoute = 5,
    UIReturnKeySearch = 6,
    UIReturnKeySend = 7,
    UIReturnKeyDone = 9,
    UIReturnKeyEmergencyCall = 10,
    UIReturnKeyContinue = 11,
};

enum UITextAutocapitalizationType : long {
    UITextAutocapitalizationTypeNone = 0,
    UITextAutocapitalizationTypeWords = 1,
    UITextAutocapitalizationTypeSentences = 2,
    UITextAutocapitalizationTypeAllCharacters = 3,
};

class UITextInputTraits {
public:
    virtual ~UITextInputTraits() = default;

    UIKeyboardType keyboardType() const { return m_keyboardType; }
    void setKeyboardType(UIKeyboardType type) { m_keyboardType = type; }
    UIReturnKeyType returnKeyType() const { return m_returnKeyType; }
    void setReturnKeyType(UIReturnKeyType type) { m_returnKeyType = type; }
    bool isSecureTextEntry() const { return m_secureTextEntry; }
    virtual void setSecureTextEntry(bool secure) { m_secureTextEntry = secure; }
    UITextAutocapitalizationType autocapitalizationType() const { return m_autocapitalizationType; }
    void setAutocapitalizationType(UITextAutocapitalizationType type) { m_autocapitalizationType = type; }
    // YES: the return key does nothing while the input holds no text.
    bool enablesReturnKeyAutomatically() const { return m_enablesReturnKeyAutomatically; }
    void setEnablesReturnKeyAutomatically(bool enables) { m_enablesReturnKeyAutomatically = enables; }

private:
    UIKeyboardType m_keyboardType = UIKeyboardTypeDefault;
    UIReturnKeyType m_returnKeyType = UIReturnKeyDefault;
    bool m_secureTextEntry = false;
    UITextAutocapitalizationType m_autocapitalizationType = UITextAutocapitalizationTypeSentences;
    bool m_enablesReturnKeyAutomatically = false;
};

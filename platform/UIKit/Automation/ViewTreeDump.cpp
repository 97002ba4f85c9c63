#include "UIKit/Automation/ViewTreeDump.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

#include "Foundation/MainThreadChecker.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/UIView.h"

namespace Automation {

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out + "\"";
}

void dump(const std::shared_ptr<UIView>& view, int depth, std::string& out)
{
    CGRect frame = view->convertRect_toView(view->bounds(), nullptr);
    out += std::string(size_t(depth) * 2, ' ') + ViewTreeDump::className(*view);
    out += " (" + ViewTreeDump::number(frame.origin.x) + ", " + ViewTreeDump::number(frame.origin.y) + ", " +
        ViewTreeDump::number(frame.size.width) + ", " + ViewTreeDump::number(frame.size.height) + ")";
    if (auto text = ViewFinder::visibleText(*view))
        out += " text=" + quoted(*text);
    if (auto identifier = view->accessibilityIdentifier())
        out += " id=" + quoted(*identifier);
    if (view->alpha() != 1.0)
        out += " alpha=" + ViewTreeDump::number(view->alpha());
    if (view->isHidden())
        out += " hidden";
    out += "\n";
    for (const auto& subview : view->subviews())
        dump(subview, depth + 1, out);
}

} // namespace

std::string ViewTreeDump::textOf(const std::shared_ptr<UIView>& root)
{
    KVN_ASSERT_MAIN_THREAD();
    std::string out;
    if (root)
        dump(root, 0, out);
    return out;
}

std::string ViewTreeDump::className(const UIView& view)
{
    const char* mangled = typeid(view).name();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    const std::string anonymous = "(anonymous namespace)::";
    for (size_t at; (at = name.find(anonymous)) != std::string::npos;)
        name.erase(at, anonymous.size());
    return name;
}

std::string ViewTreeDump::number(double value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string text = buffer;
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    if (text == "-0")
        text = "0";
    return text;
}

} // namespace Automation

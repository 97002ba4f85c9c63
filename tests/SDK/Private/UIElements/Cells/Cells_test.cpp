#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "../../../../platform/UIKit/Snapshot.h"
#include "../Controls/ThemedUIKitTest.h"
#include "Foundation/NSIndexPath.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/UIElements/KVNCheckBoxButton.h"
#include "Private/UIElements/KVNCheckCell.h"
#include "Private/UIElements/KVNDocumentSelectionCell.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNMessageCell.h"
#include "Private/UIElements/KVNTextField.h"
#include "Private/UIElements/KVNTextInputCell.h"
#include "Private/UIElements/KVNTodoCell.h"
#include "Private/UIElements/KVNUnderlineButton.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/Finger.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UITableView.h"
#include "UIKit/UIWindow.h"
#include "models/KVNCountry.h"
#include "models/KVNDocument.h"
#include "models/KVNPhoto.h"
#include "public/KavoniAppearance.h"
#include "support/KvnTestBundle.h"
#include "support/TestPicture.h"

namespace {

const std::vector<std::pair<const char*, std::string>> kTexts{
    {"short", "Name"},
    {"long",
     "I confirm that the personal data shown above is complete and correct, and that I have read the terms of the "
     "identification and the privacy notice."},
    {"German",
     "Ich bestätige, dass die angezeigten Daten vollständig und richtig sind und dass ich die "
     "Datenschutzgrundverordnungsinformationen gelesen habe."},
    {"empty", ""},
};
const std::vector<CGFloat> kWidths{320, 375, 414};

// The lowest bottom of the visible views the cell laid out, in the cell's coordinates.
CGFloat lowestBottom(const std::vector<std::shared_ptr<UIView>>& views)
{
    CGFloat lowest = 0;
    for (const auto& view : views)
        lowest = std::max(lowest, CGRectGetMaxY(view->frame()));
    return lowest;
}

class CellsTest : public ThemedUIKitTest {
protected:
    // Writes the picture to test-output/cells/<name>.png.
    void picture(const std::shared_ptr<UIView>& view, const std::string& name)
    {
        view->layoutIfNeeded();
        kvn::test::writeTestPicture("cells", name, fixtures::snapshot(view));
    }

    template <typename Cell>
    static std::shared_ptr<Cell> makeCell(CGFloat width, CGFloat height)
    {
        auto cell = std::make_shared<Cell>();
        cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, "cell");
        cell->setFrame(CGRectMake(0, 0, width, height));
        return cell;
    }
};

// One kind of row: how tall its class says it is, how to fill a cell of it, which views
// end it and how much room its layout keeps below them.
struct Kind {
    const char* name;
    int boxPosition;
    std::function<CGFloat(const std::string&, CGFloat)> expected;
    std::function<std::shared_ptr<UITableViewCell>(const std::string&, CGFloat, CGFloat)> make;
    std::function<std::vector<std::shared_ptr<UIView>>(const std::shared_ptr<UITableViewCell>&)> lowest;
    CGFloat margin;
    // How many labels round their text up to whole points, each adding less than one.
    int roundedLabels;
};

std::shared_ptr<KVNCheckCell> filledCheckCell(std::shared_ptr<KVNCheckCell> cell, const std::string& text)
{
    cell->titleLabel()->setText(text);
    cell->contentLabel()->setText(text);
    return cell;
}

std::vector<std::shared_ptr<UIView>> checkCellTexts(const std::shared_ptr<UITableViewCell>& cell)
{
    auto check = std::static_pointer_cast<KVNCheckCell>(cell);
    return {check->titleLabel(), check->contentLabel()};
}

std::vector<Kind> kinds()
{
    auto plain = [](const std::string& text, CGFloat width) {
        return KVNCheckCell::expectedHeightWithTitle_content_cellWidth(text, text, width);
    };
    auto makePlain = [](const std::string& text, CGFloat width, CGFloat height) -> std::shared_ptr<UITableViewCell> {
        auto cell = std::make_shared<KVNCheckCell>();
        cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, "check");
        cell->setFrame(CGRectMake(0, 0, width, height));
        return filledCheckCell(cell, text);
    };
    auto makeWithLinks = [makePlain](const std::string& text, CGFloat width, CGFloat height) -> std::shared_ptr<UITableViewCell> {
        auto cell = std::static_pointer_cast<KVNCheckCell>(makePlain(text, width, height));
        cell->prepareForShowingLinks();
        cell->firstLinkButton()->setTitle_forState(text, UIControlStateNormal);
        cell->secondLinkButton()->setTitle_forState(text, UIControlStateNormal);
        return cell;
    };
    auto makeWithHelp = [makePlain](const std::string& text, CGFloat width, CGFloat height) -> std::shared_ptr<UITableViewCell> {
        auto cell = std::static_pointer_cast<KVNCheckCell>(makePlain(text, width, height));
        cell->prepareForShowingHelpButton();
        cell->helpButton()->setTitle_forState(text, UIControlStateNormal);
        return cell;
    };
    auto makeMessage = [](bool remote) {
        return [remote](const std::string& text, CGFloat width, CGFloat height) -> std::shared_ptr<UITableViewCell> {
            auto cell = std::make_shared<KVNMessageCell>();
            cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, "message");
            cell->setFrame(CGRectMake(0, 0, width, height));
            auto message = std::make_shared<KVNMessage>();
            message->setText(text);
            message->setRemote(remote);
            cell->setMessage(message);
            return cell;
        };
    };
    auto messageHeight = [](const std::string& text, CGFloat width) {
        auto message = std::make_shared<KVNMessage>();
        message->setText(text);
        return KVNMessageCell::expectedHeightForMessage_forWidth(message, width);
    };
    auto balloon = [](const std::shared_ptr<UITableViewCell>& cell) -> std::vector<std::shared_ptr<UIView>> {
        return {std::static_pointer_cast<KVNMessageCell>(cell)->ballonView()};
    };
    auto linksHeight = [](const std::string& text, CGFloat width) {
        return KVNCheckCell::expectedHeightWithTitle_content_firstLink_secondLink_cellWidth(text, text, text, text, width);
    };
    auto linksLowest = [](const std::shared_ptr<UITableViewCell>& cell) -> std::vector<std::shared_ptr<UIView>> {
        auto check = std::static_pointer_cast<KVNCheckCell>(cell);
        return {check->contentLabel(), check->secondLinkButton()};
    };
    return {
        {"check", 0, plain, makePlain, checkCellTexts, 30, 2},
        // The box on the right narrows the texts: a row measured at the wider width clips.
        {"check, box right", 1, plain, makePlain, checkCellTexts, 30, 2},
        {"check with links", 0, linksHeight, makeWithLinks, linksLowest, 50, 4},
        {"check with links, box right", 1, linksHeight, makeWithLinks, linksLowest, 50, 4},
        {"check with help", 1,
         [](const std::string& text, CGFloat width) {
             return KVNCheckCell::expectedHeightWithTitle_content_helpText_cellWidth(text, text, text, width);
         },
         makeWithHelp,
         [](const std::shared_ptr<UITableViewCell>& cell) -> std::vector<std::shared_ptr<UIView>> {
             auto check = std::static_pointer_cast<KVNCheckCell>(cell);
             return {check->contentLabel(), check->helpButton()};
         },
         40, 3},
        {"text input", 0,
         [](const std::string& text, CGFloat width) {
             return KVNTextInputCell::expectedHeightWithTitle_content_cellWidth(text, text, width);
         },
         [](const std::string& text, CGFloat width, CGFloat height) -> std::shared_ptr<UITableViewCell> {
             auto cell = std::make_shared<KVNTextInputCell>();
             cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, "input");
             cell->setFrame(CGRectMake(0, 0, width, height));
             return filledCheckCell(cell, text);
         },
         checkCellTexts, 30, 2},
        {"agent message", 0, messageHeight, makeMessage(true), balloon, 40, 1},
        {"user message", 0, messageHeight, makeMessage(false), balloon, 40, 1},
    };
}

// Every initialiser goes through the designated one, so a cell made by frame or plain init
// is as set up as one the table makes.
TEST_F(CellsTest, EveryInitialiserSetsTheCellUp)
{
    const CGRect frame = CGRectMake(0, 0, 300, 80);
    struct Case {
        const char* how;
        std::function<void(UITableViewCell&)> init;
        CGRect expectedFrame;
    };
    const Case cases[] = {
        {"by frame", [&](UITableViewCell& cell) { cell.initWithFrame(frame); }, frame},
        {"by init", [](UITableViewCell& cell) { cell.init(); }, CGRectZero},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        auto check = std::make_shared<KVNCheckCell>();
        c.init(*check);
        ASSERT_TRUE(check->titleLabel());
        ASSERT_TRUE(check->contentLabel());
        ASSERT_TRUE(check->checkBoxButton());
        EXPECT_EQ(check->frame(), c.expectedFrame);
        EXPECT_EQ(check->style(), UITableViewCellStyle::Default);
        EXPECT_EQ(check->reuseIdentifier(), std::nullopt);
        check->titleLabel()->setText("Title");

        auto documentCell = std::make_shared<KVNDocumentSelectionCell>();
        c.init(*documentCell);
        ASSERT_TRUE(documentCell->titleLabel());
        ASSERT_TRUE(documentCell->subtitleLabel());
        EXPECT_EQ(documentCell->frame(), c.expectedFrame);
        EXPECT_EQ(documentCell->accessoryType(), UITableViewCellAccessoryDisclosureIndicator);
    }
}

TEST_F(CellsTest, ClassHeightIsTheHeightTheLayoutTakes)
{
    for (const auto& kind : kinds()) {
        KavoniAppearance::sharedAppearance()->setCheckBoxPosition(kind.boxPosition);
        for (const auto& [textName, text] : kTexts) {
            for (CGFloat width : kWidths) {
                SCOPED_TRACE(std::string(kind.name) + ", " + textName + " @" + std::to_string(int(width)));
                const CGFloat expected = kind.expected(text, width);
                auto cell = kind.make(text, width, expected);
                cell->layoutIfNeeded();
                const CGFloat laidOut = lowestBottom(kind.lowest(cell)) + kind.margin;
                EXPECT_GE(laidOut, expected);
                EXPECT_LT(laidOut, expected + kind.roundedLabels);
                // Nothing spills past the row or out at its side.
                for (const auto& view : cell->contentView()->subviews()) {
                    EXPECT_LE(CGRectGetMaxY(view->frame()), std::max(expected, laidOut));
                    EXPECT_LE(CGRectGetMaxX(view->frame()), width);
                }
            }
        }
    }
}

TEST_F(CellsTest, CheckCellMetrics)
{
    // Empty texts leave the margins alone, at any width.
    for (CGFloat width : kWidths) {
        EXPECT_EQ(KVNCheckCell::expectedHeightWithTitle_content_cellWidth("", "", width), 60);
        EXPECT_EQ(KVNTextInputCell::expectedHeightWithTitle_content_cellWidth("", "", width), 110);
    }
    const std::string& text = kTexts[1].second;
    EXPECT_EQ(KVNTextInputCell::expectedHeightWithTitle_content_cellWidth(text, text, 375),
              KVNCheckCell::expectedHeightWithTitle_content_cellWidth(text, text, 375) + 50);
    EXPECT_EQ(KVNCheckCell::expectedHeightWithTitle_content_firstLink_secondLink_cellWidth("", "", "Terms", "Privacy", 320),
              60 + 5 + KVNUnderlineButton::expectedHeightWithTitle_width("Terms", 236) +
                  KVNUnderlineButton::expectedHeightWithTitle_width("Privacy", 236) + 20);

    struct Case {
        int position;
        CGRect box;
        CGFloat textLeft;
        CGFloat textRight;
    } cases[] = {
        {0, CGRectMake(25, 39, 22, 22), 59, 320 - 25},
        {1, CGRectMake(320 - 47, 39, 22, 22), 59, 320 - 59},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        KavoniAppearance::sharedAppearance()->setCheckBoxPosition(c.position);
        auto cell = makeCell<KVNCheckCell>(320, 100);
        filledCheckCell(cell, "Name");
        cell->layoutIfNeeded();
        EXPECT_EQ(cell->checkBoxButton()->frame(), c.box);
        EXPECT_EQ(cell->titleLabel()->frame().origin.x, c.textLeft);
        EXPECT_EQ(CGRectGetMaxX(cell->titleLabel()->frame()), c.textRight);
        EXPECT_EQ(cell->titleLabel()->frame().origin.y, 15);
        EXPECT_EQ(cell->contentLabel()->frame().origin.y, CGRectGetMaxY(cell->titleLabel()->frame()) + 15);
    }

    auto cell = makeCell<KVNCheckCell>(320, 100);
    cell->titleLabel()->setText("Name");
    cell->markLabel();
    cell->markLabel();
    EXPECT_EQ(cell->titleLabel()->text(), "Name**");
}

TEST_F(CellsTest, TextFieldStandsBetweenTitleAndText)
{
    auto cell = makeCell<KVNTextInputCell>(375, 200);
    filledCheckCell(cell, "E-mail");
    cell->layoutIfNeeded();
    const CGRect field = cell->textField()->frame();
    EXPECT_EQ(field.size.height, 35);
    EXPECT_EQ(field.origin.y, CGRectGetMaxY(cell->titleLabel()->frame()) + 15);
    EXPECT_EQ(cell->contentLabel()->frame().origin.y, CGRectGetMaxY(field) + 15);
    EXPECT_EQ(field.origin.x, cell->titleLabel()->frame().origin.x);
    EXPECT_EQ(field.size.width, cell->titleLabel()->frame().size.width);
}

// A data check list as a screen shows it: rows sized by the class methods, a tap on a row
// switches its box, the links open their pages.
class CheckList : public UITableViewDataSource, public UITableViewDelegate {
public:
    struct Row {
        std::string title;
        std::string content;
        bool input = false;
        bool links = false;
        bool checked = false;
        bool error = false;
        bool disabled = false;
    };
    std::vector<Row> rows;
    std::vector<std::shared_ptr<KVNCheckCell>> cells;

    long tableView_numberOfRowsInSection(const std::shared_ptr<UITableView>&, long) override { return long(rows.size()); }

    std::shared_ptr<UITableViewCell> tableView_cellForRowAtIndexPath(const std::shared_ptr<UITableView>& table,
                                                                     const NSIndexPath& indexPath) override
    {
        const Row& row = rows[size_t(indexPath.row())];
        std::shared_ptr<KVNCheckCell> cell;
        if (row.input)
            cell = std::make_shared<KVNTextInputCell>();
        else
            cell = std::make_shared<KVNCheckCell>();
        cell->initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, std::nullopt);
        cell->titleLabel()->setText(row.title);
        cell->contentLabel()->setText(row.content);
        cell->checkBoxButton()->setSelected(row.checked);
        if (row.links) {
            cell->prepareForShowingLinks();
            cell->firstLinkButton()->setTitle_forState("Terms and conditions", UIControlStateNormal);
            cell->firstLinkButton()->configureHttpLink("https://example.org/terms");
            cell->secondLinkButton()->setTitle_forState("Privacy notice", UIControlStateNormal);
            cell->secondLinkButton()->configureHttpLink("https://example.org/privacy");
        }
        if (row.error) {
            cell->titleLabel()->setFailureStyle();
            cell->contentLabel()->setFailureStyle();
        }
        if (row.disabled) {
            cell->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
            if (auto input = std::dynamic_pointer_cast<KVNTextInputCell>(cell))
                input->textField()->setEnabled(false);
        }
        (void)table;
        cells.push_back(cell);
        return cell;
    }

    std::optional<CGFloat> tableView_heightForRowAtIndexPath(const std::shared_ptr<UITableView>& table,
                                                             const NSIndexPath& indexPath) override
    {
        const Row& row = rows[size_t(indexPath.row())];
        const CGFloat width = table->bounds().size.width;
        if (row.input)
            return KVNTextInputCell::expectedHeightWithTitle_content_cellWidth(row.title, row.content, width);
        if (row.links)
            return KVNCheckCell::expectedHeightWithTitle_content_firstLink_secondLink_cellWidth(
                row.title, row.content, "Terms and conditions", "Privacy notice", width);
        return KVNCheckCell::expectedHeightWithTitle_content_cellWidth(row.title, row.content, width);
    }

    void tableView_didSelectRowAtIndexPath(const std::shared_ptr<UITableView>& table, const NSIndexPath& indexPath) override
    {
        Row& row = rows[size_t(indexPath.row())];
        row.checked = !row.checked;
        table->deselectRowAtIndexPath_animated(indexPath, false);
        if (auto cell = std::dynamic_pointer_cast<KVNCheckCell>(table->cellForRowAtIndexPath(indexPath)))
            cell->checkBoxButton()->setSelected(row.checked);
    }
};

std::shared_ptr<CheckList> dataCheckRows()
{
    auto list = std::make_shared<CheckList>();
    list->rows = {
        {"First name", "Erika", false, false, true},
        {"Ich stimme den Allgemeinen Geschäftsbedingungen zu",
         "Ich bestätige, dass ich die Datenschutzgrundverordnungsinformationen gelesen habe.", false, true},
        {"Last name", "Mustermann", false, false, false},
        {"Date of birth", "The date does not match the document.", false, false, false, true},
        {"Mobile number", "We send a code to this number.", true},
        {"E-mail address", "Kept for the contract only.", true, false, false, false, true},
        {"Nationality", "Not editable during the call.", false, false, true, false, true},
    };
    return list;
}

TEST_F(CellsTest, CheckListInATableAtTheScreensSize)
{
    // The library's own check box images.
    KvnTestBundle bundle;
    const CGRect screen = UIScreen::mainScreen()->bounds();
    for (int position : {0, 1}) {
        SCOPED_TRACE(position);
        KavoniAppearance::sharedAppearance()->setCheckBoxPosition(position);
        auto list = dataCheckRows();
        auto window = std::make_shared<UIWindow>();
        window->initWithFrame(screen);
        window->setHidden(false);
        auto table = std::make_shared<UITableView>();
        table->initWithFrame_style(screen, UITableViewStyle::Plain);
        table->setDataSource(list);
        table->setDelegate(list);
        window->addSubview(table);
        table->reloadData();
        window->layoutIfNeeded();
        picture(window, "CheckList-box" + std::string(position == 0 ? "Left" : "Right"));

        // Every row's laid-out texts fit the height the table gave it.
        for (const auto& cell : list->cells) {
            const CGFloat bottom = lowestBottom({cell->titleLabel(), cell->contentLabel()});
            EXPECT_LT(bottom + 30, cell->frame().size.height + 2) << cell->titleLabel()->text().value_or("");
        }

        auto unchecked = list->cells[2];
        ASSERT_FALSE(unchecked->checkBoxButton()->isSelected());
        ASSERT_TRUE(Automation::Driver::tap(unchecked->checkBoxButton()));
        EXPECT_TRUE(unchecked->checkBoxButton()->isSelected());
        EXPECT_TRUE(list->rows[2].checked);
        ASSERT_TRUE(Automation::Driver::tap(unchecked->checkBoxButton()));
        EXPECT_FALSE(unchecked->checkBoxButton()->isSelected());

        auto application = UIApplication::sharedApplication();
        const auto opened = application->openedURLs().size();
        auto withLinks = list->cells[1];
        ASSERT_TRUE(Automation::Driver::tap(withLinks->secondLinkButton()));
        ASSERT_EQ(application->openedURLs().size(), opened + 1);
        EXPECT_EQ(application->openedURLs().back(), "https://example.org/privacy");
        // A tap on a link opens its page and leaves the box alone.
        EXPECT_FALSE(withLinks->checkBoxButton()->isSelected());
    }
}

TEST_F(CellsTest, HelpAreaPressesTheHelpLink)
{
    auto cell = makeCell<KVNCheckCell>(320, 0);
    cell->titleLabel()->setText("Document");
    cell->contentLabel()->setText("Hold it to the camera.");
    cell->prepareForShowingHelpButton();
    cell->helpButton()->setTitle_forState("Which documents are allowed?", UIControlStateNormal);
    cell->helpButton()->configureHttpLink("https://example.org/help");
    cell->setFrame(CGRectMake(0, 100, 320,
                              KVNCheckCell::expectedHeightWithTitle_content_helpText_cellWidth("Document", "Hold it to the camera.",
                                                                                               "Which documents are allowed?", 320)));
    auto window = showInWindow(cell);
    window->layoutIfNeeded();
    auto application = UIApplication::sharedApplication();
    const auto opened = application->openedURLs().size();
    // The link lies under the transparent area, which takes the tap and passes it on: the
    // finger comes down where the link is seen.
    const CGRect link = cell->helpButton()->convertRect_toView(cell->helpButton()->bounds(), nullptr);
    Automation::Finger finger(window);
    finger.down(CGPointMake(CGRectGetMidX(link), CGRectGetMidY(link)));
    finger.up();
    ASSERT_EQ(application->openedURLs().size(), opened + 1);
    EXPECT_EQ(application->openedURLs().back(), "https://example.org/help");
}

} // namespace

namespace {

class DocumentCellsTest : public CellsTest {
protected:
    void SetUp() override
    {
        CellsTest::SetUp();
        m_bundle = std::make_unique<KvnTestBundle>();
    }
    void TearDown() override
    {
        m_bundle.reset();
        CellsTest::TearDown();
    }

    std::shared_ptr<KVNDocument> document(long type)
    {
        m_country = KVNCountry::countryWithLocale("DE");
        auto made = std::make_shared<KVNDocument>();
        made->setType(type);
        made->setCountry(m_country);
        return made;
    }

    std::unique_ptr<KvnTestBundle> m_bundle;
    std::shared_ptr<KVNCountry> m_country;
};

TEST_F(DocumentCellsTest, ClassHeightIsTheHeightTheLayoutTakes)
{
    for (const auto& [textName, text] : kTexts) {
        for (CGFloat width : kWidths) {
            SCOPED_TRACE(std::string(textName) + " @" + std::to_string(int(width)));
            const CGFloat expected = KVNDocumentSelectionCell::expectedHeightWithTitle_content_accessoryType_cellWidth(
                "Passport", text, UITableViewCellAccessoryDisclosureIndicator, width);
            auto cell = makeCell<KVNDocumentSelectionCell>(width, expected);
            cell->titleLabel()->setText("Passport");
            cell->subtitleLabel()->setText(text);
            cell->layoutIfNeeded();
            const CGFloat laidOut = std::max<CGFloat>(CGRectGetMaxY(cell->subtitleLabel()->frame()) + 10, 74);
            EXPECT_GE(laidOut, expected);
            EXPECT_LT(laidOut, expected + 2);
            if (text.size() < 10) {
                EXPECT_EQ(expected, 74);
            }
        }
    }
    // The accessory's room comes off the text width: a checkmark leaves width - 145.
    const std::string& text = kTexts[1].second;
    EXPECT_FLOAT_EQ(
        KVNDocumentSelectionCell::expectedHeightWithTitle_content_accessoryType_cellWidth("", text, UITableViewCellAccessoryCheckmark, 320),
        KVNDocumentSelectionCell::expectedHeightWithTitle_content_accessoryType_cellWidth("", text, UITableViewCellAccessoryNone,
                                                                                          320 - 40));
}

TEST_F(DocumentCellsTest, BlurIsMadeOnceAndKeptByImageName)
{
    m_bundle->addImage("kvn-document-IDCARD-DE", 120, 80);
    auto idCard = document(KVNDocument::IdCard);
    auto first = makeCell<KVNDocumentSelectionCell>(375, 74);
    first->updateWithDocument(idCard);
    ASSERT_TRUE(first->foregroundImageView()->image());
    ASSERT_TRUE(loop->spin_until([&] { return first->backgroundImageView()->image() != nullptr; }, 30));
    auto cached = KVNDocumentSelectionCell::cachedBackgroundForImageName("kvn-document-IDCARD-DE");
    ASSERT_TRUE(cached);
    EXPECT_EQ(first->backgroundImageView()->image(), cached);
    // Its shorter side was brought to the row's 70 points.
    EXPECT_EQ(std::min(cached->size().width, cached->size().height), 70);

    // A second row of the same document shows the kept blur at once, without another turn.
    auto second = makeCell<KVNDocumentSelectionCell>(375, 74);
    second->updateWithDocument(idCard);
    EXPECT_EQ(second->backgroundImageView()->image(), cached);
}

TEST_F(DocumentCellsTest, MissingImageIsLoggedAndNotCached)
{
    m_bundle->removeImage(document(KVNDocument::ResidencePermit)->documentImageName());
    auto cell = makeCell<KVNDocumentSelectionCell>(375, 74);
    ::testing::internal::CaptureStderr();
    cell->updateWithDocument(document(KVNDocument::ResidencePermit));
    std::string logged;
    const bool done = loop->spin_until(
        [&] {
            // The log line is written on the main queue, after the blur came back empty.
            logged += ::testing::internal::GetCapturedStderr();
            ::testing::internal::CaptureStderr();
            return logged.find("Document image missing") != std::string::npos;
        },
        30);
    logged += ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(done);
    EXPECT_NE(logged.find("Document image missing for country: DE and document type: 2"), std::string::npos) << logged;
    loop->pump();
    EXPECT_FALSE(cell->backgroundImageView()->image());
    EXPECT_FALSE(KVNDocumentSelectionCell::cachedBackgroundForImageName(document(KVNDocument::ResidencePermit)->documentImageName()));
}

TEST_F(DocumentCellsTest, ReusedRowDoesNotTakeALateBlur)
{
    // The document the row is reused for has its blur kept already.
    m_bundle->addImage("kvn-document-DRIVERS_LICENSE-DE", 90, 60);
    auto other = makeCell<KVNDocumentSelectionCell>(375, 74);
    other->updateWithDocument(document(KVNDocument::DriversLicense));
    ASSERT_TRUE(loop->spin_until([&] { return other->backgroundImageView()->image() != nullptr; }, 30));

    // The row starts a blur and is reused before the main queue turns, so the blur can only
    // come back after the reuse, whatever the workers' speed.
    m_bundle->addImage("kvn-document-PASSPORT-DE", 90, 60);
    auto cell = makeCell<KVNDocumentSelectionCell>(375, 74);
    cell->updateWithDocument(document(KVNDocument::Passport));
    cell->prepareForReuse();
    cell->updateWithDocument(document(KVNDocument::DriversLicense));
    auto shown = cell->backgroundImageView()->image();
    ASSERT_TRUE(shown);
    ASSERT_TRUE(loop->spin_until(
        [&] { return KVNDocumentSelectionCell::cachedBackgroundForImageName("kvn-document-PASSPORT-DE") != nullptr; }, 30));
    loop->pump();
    loop->pump();
    EXPECT_EQ(cell->backgroundImageView()->image(), shown);
}

TEST_F(DocumentCellsTest, TodoRowsShowWhetherThePhotoIsTaken)
{
    m_bundle->addImage("kvn-icon-takephoto", 40, 40, 0x888888FF);
    m_bundle->addImage("kvn-document-IDCARD-DE", 120, 80);
    auto brand = KavoniAppearance::sharedAppearance()->primaryBrandColor();
    auto idCard = document(KVNDocument::IdCard);
    auto taken = KVNPhoto::photoWithName("IDFRONTSIDE");
    taken->setThumbnail(UIImage::imageNamed("kvn-document-IDCARD-DE"));
    taken->setDocument(idCard);
    auto open = KVNPhoto::photoWithName("IDBACKSIDE");
    open->setDocument(idCard);

    const CGRect screen = UIScreen::mainScreen()->bounds();
    auto window = std::make_shared<UIWindow>();
    window->initWithFrame(screen);
    window->setHidden(false);
    std::vector<std::shared_ptr<UITableViewCell>> rows;
    CGFloat y = 0;
    auto add = [&](const std::shared_ptr<UITableViewCell>& cell, const std::string& title, const std::string& subtitle) {
        const CGFloat height = KVNDocumentSelectionCell::expectedHeightWithTitle_content_accessoryType_cellWidth(
            title, subtitle, cell->accessoryType(), screen.size.width);
        cell->setFrame(CGRectMake(0, y, screen.size.width, height));
        y += height;
        window->addSubview(cell);
        rows.push_back(cell);
    };
    auto documentRow = makeCell<KVNDocumentSelectionCell>(screen.size.width, 74);
    documentRow->updateWithDocument(idCard);
    add(documentRow, documentRow->titleLabel()->text().value_or(""), "");
    auto takenRow = makeCell<KVNTodoCell>(screen.size.width, 74);
    takenRow->updateWithPhoto(taken);
    add(takenRow, taken->localizedTitle(), taken->localizedSubtitle());
    auto openRow = makeCell<KVNTodoCell>(screen.size.width, 74);
    openRow->updateWithPhoto(open);
    add(openRow, open->localizedTitle(), open->localizedSubtitle());
    ASSERT_TRUE(loop->spin_until([&] { return documentRow->backgroundImageView()->image() != nullptr; }, 30));

    EXPECT_EQ(takenRow->accessoryType(), UITableViewCellAccessoryCheckmark);
    EXPECT_EQ(takenRow->backgroundImageView()->image(), taken->thumbnail());
    EXPECT_DOUBLE_EQ(takenRow->titleLabel()->alpha(), 0.6);
    EXPECT_DOUBLE_EQ(takenRow->subtitleLabel()->alpha(), 0.6);
    EXPECT_TRUE(takenRow->tintColor()->isEqual(*brand));
    EXPECT_EQ(openRow->accessoryType(), UITableViewCellAccessoryDisclosureIndicator);
    ASSERT_TRUE(openRow->backgroundImageView()->image());
    EXPECT_EQ(openRow->backgroundImageView()->image()->size(), CGSizeMake(40, 40));
    EXPECT_DOUBLE_EQ(openRow->titleLabel()->alpha(), 1.0);
    EXPECT_TRUE(openRow->tintColor()->isEqual(*KavoniAppearance::sharedAppearance()->defaultTextColor()));
    picture(window, "DocumentAndTodoRows");
}

} // namespace

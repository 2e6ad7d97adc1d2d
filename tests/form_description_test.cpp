// Properties of the window's toolkit-free description, which both the Qt and the Win32 window
// are built from: whatever is changed in the tables, these must keep holding.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ui/FormActions.h"
#include "ui/FormDescription.h"
#include "ui/MessageDialogTables.h"

namespace {

using namespace upd::form;
using upd::MessageButton;
using upd::MessageButtonSet;
using upd::MessageType;
using B = MessageButton;

std::string Describe(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) +
           "x" + std::to_string(r.height);
}

// Pairs of controls allowed to overlap. None today; an entry needs a reason in the layout.
const std::set<std::pair<std::string_view, std::string_view>> kAllowedOverlaps = {};

TEST(FormDescription, PagesFitTheClientAreaAndEveryControlItsPage) {
    const Form& form = MainForm();
    const Rect client{0, 0, form.clientWidth, form.clientHeight};
    EXPECT_TRUE(client.Contains(form.pageArea)) << Describe(form.pageArea);
    const Rect inside{0, 0, form.pageArea.width, form.pageArea.height};
    for (const Page& page : form.pages) {
        EXPECT_FALSE(page.controls.empty()) << page.name;
        for (const Control& control : page.controls) {
            EXPECT_GT(control.rect.width, 0) << control.name;
            EXPECT_GT(control.rect.height, 0) << control.name;
            EXPECT_TRUE(inside.Contains(control.rect))
                << page.name << "/" << control.name << " at " << Describe(control.rect);
        }
    }
}

TEST(FormDescription, NoTwoControlsOfAPageOverlap) {
    for (const Page& page : MainForm().pages) {
        for (auto a = page.controls.begin(); a != page.controls.end(); ++a) {
            for (auto b = std::next(a); b != page.controls.end(); ++b) {
                if (kAllowedOverlaps.count({a->name, b->name}) != 0) {
                    continue;
                }
                EXPECT_FALSE(a->rect.Overlaps(b->rect))
                    << a->name << " " << Describe(a->rect) << " overlaps " << b->name << " "
                    << Describe(b->rect);
            }
        }
    }
}

TEST(FormDescription, RectangleOverlapIsStrict) {
    const Rect r{10, 10, 10, 10};
    EXPECT_TRUE(r.Overlaps({19, 19, 5, 5}));
    EXPECT_FALSE(r.Overlaps({20, 10, 5, 5}));  // touching edges
    EXPECT_FALSE(r.Overlaps({10, 20, 5, 5}));
    EXPECT_TRUE(r.Contains(r));
    EXPECT_FALSE(r.Contains({9, 10, 5, 5}));
}

TEST(FormDescription, EveryNameIsUnique) {
    const Form& form = MainForm();
    std::vector<std::string_view> names{form.name, form.pagesName, form.exitAction};
    for (const Page& page : form.pages) {
        names.push_back(page.name);
        for (const Control& control : page.controls) {
            names.push_back(control.name);
        }
    }
    std::map<std::string_view, int> seen;
    for (std::string_view name : names) {
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(++seen[name], 1) << name;
    }
    EXPECT_FALSE(FindControl("noSuchControl").has_value());
}

TEST(FormDescription, EachPageTabsThroughExactlyItsFocusableControls) {
    for (const Page& page : MainForm().pages) {
        std::set<std::string_view> focusable;
        for (const Control& control : page.controls) {
            if (control.Focusable()) {
                focusable.insert(control.name);
            } else {
                EXPECT_EQ(control.tabStop, kNoTabStop) << control.name;
            }
        }
        const std::vector<Control> order = TabOrder(page);
        std::set<std::string_view> visited;
        for (std::size_t stop = 0; stop < order.size(); ++stop) {
            EXPECT_EQ(order[stop].tabStop, int(stop)) << page.name << "/" << order[stop].name;
            visited.insert(order[stop].name);
        }
        EXPECT_EQ(visited, focusable) << page.name;
    }
}

TEST(FormDescription, EveryButtonRunsItsOwnHandler) {
    std::map<Handler, int> uses;
    for (const Page& page : MainForm().pages) {
        for (const Control& control : page.controls) {
            if (control.kind == Kind::Button) {
                EXPECT_NE(control.onClick, Handler::None) << control.name;
                EXPECT_FALSE(control.text.empty()) << control.name;
            } else {
                EXPECT_EQ(control.onClick, Handler::None) << control.name;
            }
            if (control.onClick != Handler::None) {
                ++uses[control.onClick];
            }
        }
    }
    const Handler all[] = {Handler::SelectUpdatesXml,  Handler::GenerateUpdates,
                           Handler::SelectUpdateFiles, Handler::GenerateUpdateArchive,
                           Handler::SelectUpdFile,     Handler::RestoreUpdatesXml};
    for (const Handler handler : all) {
        EXPECT_EQ(uses[handler], 1) << int(handler);
    }
    EXPECT_EQ(uses.size(), std::size(all));
}

TEST(FormDescription, OnlyEditsCanBeReadOnlyAndOnlyLabelsWrap) {
    for (const Page& page : MainForm().pages) {
        for (const Control& control : page.controls) {
            if (control.readOnly) {
                EXPECT_EQ(control.kind, Kind::Edit) << control.name;
            }
            if (page.stacked) {
                EXPECT_EQ(control.kind, Kind::WrappingLabel) << control.name;
            }
        }
    }
}

// The help page's button takes only the free space below its text: each stacked label takes
// at least its rectangle's height, one under the other.
TEST(FormDescription, WhatStandsBelowTheHelpTextFitsUnderItsLabels) {
    const Rect inside{0, 0, MainForm().pageArea.width, MainForm().pageArea.height};
    int belowCount = 0;
    for (const Page& page : MainForm().pages) {
        int textBottom = 0;
        for (const Control& label : page.controls) {
            textBottom += label.rect.height;
        }
        for (const Control& control : page.below) {
            ++belowCount;
            EXPECT_TRUE(page.stacked) << control.name;
            EXPECT_GE(control.rect.top, textBottom + 15) << control.name << ": one wrap's room";
            EXPECT_TRUE(inside.Contains(control.rect)) << Describe(control.rect);
            EXPECT_EQ(FindControl(control.name)->onClick, control.onClick);
        }
    }
    EXPECT_EQ(belowCount, 1);
}

// The publication dialog, as the pages: everything fits, nothing overlaps, each focusable
// control one tab stop in order, each button its own handler, each field one control.
TEST(PublishDialogForm, FitsTabsInOrderAndGivesEachHandlerAndFieldOneControl) {
    const Dialog& dialog = PublishDialogForm();
    const Rect client{0, 0, dialog.clientWidth, dialog.clientHeight};
    std::map<Handler, int> handlers;
    std::set<std::string_view> focusable;
    for (auto a = dialog.controls.begin(); a != dialog.controls.end(); ++a) {
        EXPECT_TRUE(client.Contains(a->rect)) << a->name << " " << Describe(a->rect);
        for (auto b = std::next(a); b != dialog.controls.end(); ++b) {
            EXPECT_FALSE(a->rect.Overlaps(b->rect)) << a->name << " overlaps " << b->name;
        }
        EXPECT_EQ(a->kind == Kind::Button, a->onClick != Handler::None) << a->name;
        handlers[a->onClick] += a->kind == Kind::Button;
        if (a->Focusable()) {
            focusable.insert(a->name);
        }
    }
    const std::vector<Control> order = TabOrder(dialog.controls);
    std::set<std::string_view> visited;
    for (std::size_t stop = 0; stop < order.size(); ++stop) {
        EXPECT_EQ(order[stop].tabStop, int(stop)) << order[stop].name;
        visited.insert(order[stop].name);
    }
    EXPECT_EQ(visited, focusable);
    for (const Handler handler :
         {Handler::ChoosePublishFolder, Handler::ChoosePublishIndex, Handler::AddPublishArchives,
          Handler::RemovePublishArchives, Handler::CheckPublication, Handler::Publish}) {
        EXPECT_EQ(handlers[handler], 1) << int(handler);
        EXPECT_EQ(PublishButton(handler).onClick, handler);
    }
    for (const Field field : {Field::PublishFolder, Field::PublishIndex, Field::PublishArchives,
                              Field::PublishPassword}) {
        EXPECT_EQ(PublishFieldControl(field).field, field);
        EXPECT_NE(PublishFieldControl(field).kind, Kind::Button);
    }
    EXPECT_TRUE(PublishFieldControl(Field::PublishPassword).masked);
}

TEST(ProgressDialogLayout, EveryPartFitsTheDialogWithoutOverlap) {
    const ProgressLayout& layout = ProgressDialogLayout();
    const Rect client{0, 0, layout.clientWidth, layout.clientHeight};
    const Rect parts[] = {layout.phase,    layout.percent, layout.bar,   layout.elapsed,
                          layout.timeLeft, layout.size,    layout.cancel};
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        EXPECT_TRUE(client.Contains(parts[i])) << Describe(parts[i]);
        for (std::size_t j = i + 1; j < std::size(parts); ++j) {
            EXPECT_FALSE(parts[i].Overlaps(parts[j])) << Describe(parts[i]);
        }
    }
}

// Each field is one edit; a chooser's button fills a path field.
TEST(FormDescription, EachFieldIsOneEditAndEachChooserFillsAPathField) {
    std::map<Field, int> edits;
    for (const Page& page : MainForm().pages) {
        for (const Control& control : page.controls) {
            edits[control.field] += control.kind == Kind::Edit;
            if (control.kind == Kind::Button && control.field != Field::None) {
                EXPECT_NE(FieldControl(control.field).takes, Takes::Nothing) << control.name;
            }
        }
    }
    for (const Field field :
         {Field::UpdatesXmlPath, Field::UpdateFilesPath, Field::Password, Field::UpdFilePath}) {
        EXPECT_EQ(edits[field], 1) << int(field);
    }
}

TEST(ChooserFilter, ParsesTheNameAndItsPatterns) {
    const struct {
        std::string_view text;
        upd::ChooserFilter filter;
    } cases[] = {
        {"XML Файлове|*.xml", {"XML Файлове", {"*.xml"}}},
        {"Архиви|*.upd;*.7z", {"Архиви", {"*.upd", "*.7z"}}},
        {"Всички|;*;", {"Всички", {"*"}}},
        {"Без шаблон", {"Без шаблон", {}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(upd::ChooserFilter::Parse(c.text), c.filter) << c.text;
    }
}

// The character after '&', case-folded (Latin and Cyrillic), or 0 when there is none.
char32_t AccessKey(std::string_view caption) {
    const std::size_t amp = caption.find('&');
    if (amp == std::string_view::npos || amp + 1 >= caption.size()) {
        return 0;
    }
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(caption[i]); };
    char32_t key = byte(amp + 1);
    if ((key & 0xE0) == 0xC0 && amp + 2 < caption.size()) {
        key = ((key & 0x1F) << 6) | (byte(amp + 2) & 0x3F);
    }
    if (key >= U'a' && key <= U'z') {
        key -= U'a' - U'A';
    }
    if (key >= U'а' && key <= U'я') {
        key -= U'а' - U'А';
    }
    return key;
}

TEST(MessageDialogTables, AccessKeysAreDistinct) {
    EXPECT_EQ(AccessKey("О&тново"), AccessKey("&Т"));
    std::map<char32_t, std::string_view> owners;
    for (const auto& [button, caption] : upd::kMessageButtons) {
        const char32_t key = AccessKey(caption);
        if (key == 0) {
            continue;
        }
        const auto [owner, fresh] = owners.emplace(key, caption);
        EXPECT_TRUE(fresh) << caption << " shares its access key with " << owner->second;
    }
}

TEST(MessageDialogTables, EveryButtonOnceInLeftToRightOrderWithItsCaption) {
    unsigned previous = 0;
    for (const auto& [button, caption] : upd::kMessageButtons) {
        EXPECT_GT(unsigned(button), previous) << caption;
        previous = unsigned(button);
        EXPECT_EQ(upd::MessageButtonCaption(button), caption);
        EXPECT_FALSE(caption.empty());
    }
    EXPECT_EQ(previous, unsigned(B::Help));
    EXPECT_EQ(upd::MessageButtonCaption(B::None), "");
}

struct ButtonRule {
    MessageButtonSet buttons;
    MessageButton defaultButton;
    MessageButton escapeButton;
};

TEST(MessageDialogTables, DefaultAndEscapeButtonsFollowTheirPreferences) {
    const ButtonRule rules[] = {
        {B::OK, B::OK, B::OK},
        {B::Yes | B::No | B::Cancel, B::Yes, B::Cancel},
        {B::OK | B::Cancel, B::OK, B::Cancel},
        {B::Yes | B::No, B::Yes, B::No},
        {B::Abort | B::Retry | B::Ignore, B::Retry, B::None},
        {B::Yes | B::OK | B::Retry | B::No, B::OK, B::No},
        {B::Help | B::All, B::None, B::None},
        {MessageButtonSet(), B::None, B::None},
    };
    for (const ButtonRule& rule : rules) {
        EXPECT_EQ(upd::DefaultMessageButton(rule.buttons), rule.defaultButton);
        EXPECT_EQ(upd::EscapeMessageButton(rule.buttons), rule.escapeButton);
        // Whatever is chosen is one of the buttons shown.
        for (const MessageButton chosen :
             {upd::DefaultMessageButton(rule.buttons), upd::EscapeMessageButton(rule.buttons)}) {
            EXPECT_TRUE(chosen == B::None || rule.buttons.Has(chosen));
        }
    }
}

TEST(MessageDialogTables, EachTypeHasItsTitleAndCustomKeepsTheApplications) {
    const std::pair<MessageType, std::string_view> titles[] = {
        {MessageType::Warning, "Предупреждение"},
        {MessageType::Error, "Грешка"},
        {MessageType::Information, "Информация"},
        {MessageType::Confirmation, "Потвърждение"},
    };
    for (const auto& [type, title] : titles) {
        EXPECT_EQ(upd::MessageTitle(type), title);
    }
    EXPECT_FALSE(upd::MessageTitle(MessageType::Custom).has_value());
}

}  // namespace

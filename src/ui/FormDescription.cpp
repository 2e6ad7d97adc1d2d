#include "ui/FormDescription.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "util/Text.h"
#include "util/Texts.h"

namespace upd::form {

bool Rect::Contains(const Rect& other) const {
    return other.left >= left && other.top >= top && other.Right() <= Right() &&
           other.Bottom() <= Bottom();
}

bool Rect::Overlaps(const Rect& other) const {
    return left < other.Right() && other.left < Right() && top < other.Bottom() &&
           other.top < Bottom();
}

namespace {

constexpr int kCommandButtonPixels = 16;
constexpr Rect kPathEdit{0, 16, 441, 23};
constexpr Rect kSelectButton{448, 14, 97, 25};
constexpr Rect kCommandButton{176, 134, 281, 49};

constexpr Control SelectButton(std::string_view name, Handler handler, Field field) {
    return {name, Kind::Button, text::kSelect, kSelectButton, 13, 1, false, handler, field};
}

constexpr Control PathEdit(std::string_view name, bool readOnly, Field field, Takes takes,
                           std::string_view filter = {}) {
    return {name, Kind::Edit, "", kPathEdit, 13, 0, readOnly, Handler::None, field, takes, filter};
}

constexpr Control CommandButton(std::string_view name, std::string_view text, Handler handler) {
    return {name, Kind::Button, text, kCommandButton, kCommandButtonPixels, 2, false, handler};
}

constexpr std::array kIndexPackagePage{
    Control{"lbl1", Kind::Label, text::kUpdatesXmlPathLabel, {0, 0, 107, 15}},
    PathEdit("edUpdatesXMLPath", false, Field::UpdatesXmlPath, Takes::File,
             text::kUpdatesXmlFilter),
    SelectButton("btnSelectUpdatesXML", Handler::SelectUpdatesXml, Field::UpdatesXmlPath),
    Control{"lbl4", Kind::WrappingLabel, text::kIndexNamesArchives, {0, 40, 425, 30}},
    Control{"lbl10", Kind::WrappingLabel, text::kIndexPackageIsFetched, {0, 72, 418, 30}},
    CommandButton("btnGenerateUpdates", text::kGenerateUpdates, Handler::GenerateUpdates),
};

// lbl8 and lbl9 take lbl3's width so that each reads on one line: at their narrower widths
// of 258 and 233 pixels both wrap, overlap each other and run into the button.
constexpr std::array kUpdateArchivePage{
    Control{"lbl2", Kind::Label, text::kPatchFolderLabel, {0, 0, 204, 15}},
    PathEdit("edUpdateFilesPath", true, Field::UpdateFilesPath, Takes::Folder),
    SelectButton("btnSelectUpdateFiles", Handler::SelectUpdateFiles, Field::UpdateFilesPath),
    Control{"lbl11", Kind::Label, text::kPasswordLabel, {0, 40, 43, 15}},
    Control{"edPassField",
            Kind::Edit,
            text::kStartingPassword,
            {0, 56, 441, 23},
            13,
            3,
            false,
            Handler::None,
            Field::Password},
    Control{"lbl3", Kind::WrappingLabel, text::kArchiveFromFolder, {0, 80, 404, 15}},
    Control{"lbl8", Kind::WrappingLabel, text::kArchiveNameFromIndex, {0, 96, 404, 15}},
    Control{"lbl9", Kind::WrappingLabel, text::kArchiveIsFetched, {0, 112, 404, 15}},
    CommandButton("btnGenerateUpdateArchive", text::kGenerateUpdateArchive,
                  Handler::GenerateUpdateArchive),
};

constexpr std::array kRestorePage{
    Control{"lbl5", Kind::Label, text::kUpdatesUpdPathLabel, {0, 0, 108, 15}},
    PathEdit("edUpdFilePath", true, Field::UpdFilePath, Takes::File, text::kUpdFileFilter),
    SelectButton("btnSelectUpdFile", Handler::SelectUpdFile, Field::UpdFilePath),
    Control{"lbl6", Kind::WrappingLabel, text::kRestoreFromFile, {0, 40, 319, 15}},
    Control{"lbl7", Kind::WrappingLabel, text::kRestorePurpose, {0, 56, 419, 15}},
    CommandButton("btnRestoreUpdatesXML", text::kRestoreUpdatesXml, Handler::RestoreUpdatesXml),
};

constexpr int kPageWidth = 634;

constexpr Control HelpLine(int index, std::string_view name, std::string_view text) {
    return {name, Kind::WrappingLabel, text, {0, 15 * index, kPageWidth, 15}};
}

constexpr std::array kHelpPage{
    HelpLine(0, "lbl13", text::kHelpPurpose),
    HelpLine(1, "lbl14", text::kHelpSteps),
    HelpLine(2, "lbl15", text::kHelpFetch),
    HelpLine(3, "lbl16", text::kHelpRestore),
    HelpLine(4, "lbl17", text::kHelpAddName),
    HelpLine(5, "lbl18", text::kHelpGenerateIndex),
    HelpLine(6, "lbl19", text::kHelpGenerateArchive),
    HelpLine(7, "lbl12", text::kHelpUpload),
};

// Below the help text's eight lines (120 pixels, more where one wraps), in the page's free space.
constexpr std::array kBelowHelp{
    Control{"btnPublish",
            Kind::Button,
            text::kOpenPublishDialog,
            {0, 150, 150, 28},
            13,
            0,
            false,
            Handler::OpenPublishDialog},
};

constexpr std::array kPages{
    Page{"ts1", text::kIndexPackagePage, kIndexPackagePage},
    Page{"ts2", text::kUpdateArchivePage, kUpdateArchivePage},
    Page{"ts3", text::kRestorePage, kRestorePage},
    Page{"ts4", text::kHelpPage, kHelpPage, true, kBelowHelp},
};

// The publication dialog: three inputs one under the other, each with its chooser at the
// right, the optional password, and the two commands at the bottom right.
constexpr int kDialogEdit = 392;
constexpr int kDialogSide = 412;  // the choosers' column

constexpr Control DialogLabel(std::string_view name, std::string_view text, int top) {
    return {name, Kind::Label, text, {12, top, kDialogEdit, 15}};
}

constexpr Control DialogEdit(std::string_view name, int top, int tabStop, Field field, Takes takes,
                             std::string_view filter = {}) {
    return {name,  Kind::Edit, "",    {12, top, kDialogEdit, 23}, 13, tabStop, false, Handler::None,
            field, takes,      filter};
}

constexpr Control DialogButton(std::string_view name, std::string_view text, Rect rect, int tabStop,
                               Handler handler, Field field = Field::None) {
    return {name, Kind::Button, text, rect, 13, tabStop, false, handler, field};
}

constexpr std::array kPublishDialog{
    DialogLabel("lblPublishFolder", text::kPublishFolderLabel, 10),
    DialogEdit("edPublishFolder", 26, 0, Field::PublishFolder, Takes::Folder),
    DialogButton("btnPublishFolder", text::kSelect, {kDialogSide, 25, 96, 25}, 1,
                 Handler::ChoosePublishFolder, Field::PublishFolder),
    DialogLabel("lblPublishIndex", text::kPublishIndexLabel, 56),
    DialogEdit("edPublishIndex", 72, 2, Field::PublishIndex, Takes::File, text::kUpdFileFilter),
    DialogButton("btnPublishIndex", text::kSelect, {kDialogSide, 71, 96, 25}, 3,
                 Handler::ChoosePublishIndex, Field::PublishIndex),
    DialogLabel("lblPublishArchives", text::kPublishArchivesLabel, 102),
    Control{"lbPublishArchives",
            Kind::List,
            "",
            {12, 118, kDialogEdit, 96},
            13,
            4,
            false,
            Handler::None,
            Field::PublishArchives,
            Takes::Files,
            text::kUpdFileFilter},
    DialogButton("btnAddArchives", text::kAddArchives, {kDialogSide, 118, 96, 25}, 5,
                 Handler::AddPublishArchives, Field::PublishArchives),
    DialogButton("btnRemoveArchives", text::kRemoveArchives, {kDialogSide, 149, 96, 25}, 6,
                 Handler::RemovePublishArchives),
    DialogLabel("lblPublishPassword", text::kPublishPasswordLabel, 222),
    Control{"edPublishPassword",
            Kind::Edit,
            "",
            {12, 238, kDialogEdit, 23},
            13,
            7,
            false,
            Handler::None,
            Field::PublishPassword,
            Takes::Nothing,
            {},
            true},
    DialogButton("btnCheckPublication", text::kCheckPublication, {308, 274, 96, 28}, 8,
                 Handler::CheckPublication),
    DialogButton("btnPublishRelease", text::kPublishRelease, {kDialogSide, 274, 96, 28}, 9,
                 Handler::Publish),
};

constexpr Dialog kPublishDialogForm{
    "PublishDialog", text::kPublishDialogCaption, 520, 314, {"Calibri", 13}, kPublishDialog,
};

// Wide enough that the lines do not make the dialog jump as the numbers grow.
constexpr ProgressLayout kProgressLayout{
    340,
    158,
    {"Calibri", 13},
    {12, 10, 250, 18},   // phase
    {262, 10, 66, 18},   // percent
    {12, 32, 316, 16},   // bar
    {12, 56, 316, 18},   // elapsed
    {12, 76, 316, 18},   // time left
    {12, 96, 316, 18},   // size
    {240, 122, 88, 26},  // cancel
};

constexpr Form kMainForm{
    "MainForm",
    text::kFormCaption,
    642,
    219,
    {"MS Sans Serif", 11},
    "pgc1",
    {"Calibri", 13},
    {4, 24, kPageWidth, 191},
    kPages,
    0,
    "acExit",
};

}  // namespace

const Form& MainForm() {
    return kMainForm;
}

const ProgressLayout& ProgressDialogLayout() {
    return kProgressLayout;
}

std::optional<Control> FindControl(std::string_view name) {
    for (const Page& page : kMainForm.pages) {
        for (const auto controls : {page.controls, page.below}) {
            for (const Control& control : controls) {
                if (control.name == name) {
                    return control;
                }
            }
        }
    }
    return std::nullopt;
}

const Control& FieldControl(Field field) {
    for (const Page& page : kMainForm.pages) {
        for (const Control& control : page.controls) {
            if (control.kind == Kind::Edit && control.field == field) {
                return control;
            }
        }
    }
    throw std::logic_error("The form has no such field");
}

std::vector<Control> TabOrder(const Page& page) {
    return TabOrder(page.controls);
}

std::vector<Control> TabOrder(std::span<const Control> controls) {
    std::vector<Control> order;
    std::copy_if(controls.begin(), controls.end(), std::back_inserter(order),
                 [](const Control& control) { return control.tabStop != kNoTabStop; });
    std::stable_sort(order.begin(), order.end(),
                     [](const Control& a, const Control& b) { return a.tabStop < b.tabStop; });
    return order;
}

const Dialog& PublishDialogForm() {
    return kPublishDialogForm;
}

const Control& PublishFieldControl(Field field) {
    for (const Control& control : kPublishDialog) {
        if (control.kind != Kind::Button && control.field == field) {
            return control;
        }
    }
    throw std::logic_error("The publication dialog has no such field");
}

const Control& PublishButton(Handler handler) {
    for (const Control& control : kPublishDialog) {
        if (control.onClick == handler) {
            return control;
        }
    }
    throw std::logic_error("The publication dialog has no such button");
}

}  // namespace upd::form

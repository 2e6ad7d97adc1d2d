#pragma once

// The main window and its dialogs, described once without any toolkit. The Qt window and the
// Win32 window both build themselves from this; sizes are pixels at 96 dots per inch.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace upd::form {

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
    bool Contains(const Rect& other) const;
    bool Overlaps(const Rect& other) const;
};

struct Font {
    std::string_view face;
    int pixelHeight = 0;  // the em height ("height -13" is 13 here)
};

enum class Kind {
    Label,          // one line, clipped to its rectangle
    WrappingLabel,  // breaks its text within its width and takes the height it needs
    Edit,
    Button,
    List,  // the publication dialog's archives: several lines, several selected at once
};

enum class Handler {
    None,
    SelectUpdatesXml,       // btnSelectUpdatesXMLClick
    GenerateUpdates,        // btnGenerateUpdatesClick
    SelectUpdateFiles,      // btnSelectUpdateFilesClick
    GenerateUpdateArchive,  // btnGenerateUpdateArchiveClick
    SelectUpdFile,          // btnSelectUpdFileClick
    RestoreUpdatesXml,      // btnRestoreUpdatesXMLClick
    // The publication dialog (ui/PublishDialog.h): the help page's button opens it.
    OpenPublishDialog,
    ChoosePublishFolder,
    ChoosePublishIndex,
    AddPublishArchives,
    RemovePublishArchives,
    CheckPublication,
    Publish,
};

// The fields the handlers read or fill.
enum class Field {
    None,
    UpdatesXmlPath,
    UpdateFilesPath,
    Password,
    UpdFilePath,
    // The publication dialog's.
    PublishFolder,
    PublishIndex,
    PublishArchives,
    PublishPassword,
};

// What a path field takes, from its chooser or from a drop onto its page.
enum class Takes { Nothing, File, Folder, Files };  // Files: one or more

inline constexpr int kNoTabStop = -1;

struct Control {
    std::string_view name;
    Kind kind = Kind::Label;
    std::string_view text;  // the caption, or an edit's starting text
    Rect rect;              // inside its page
    int fontPixels = 13;    // "Calibri" at this height
    int tabStop = kNoTabStop;
    bool readOnly = false;
    Handler onClick = Handler::None;
    // An edit: the field it is. A chooser's button: the field the chooser fills.
    Field field = Field::None;
    Takes takes = Takes::Nothing;  // a path field's
    std::string_view filter{};     // the file chooser's of a path field taking a file
    bool masked = false;           // an edit showing its text as dots

    bool Focusable() const {
        return kind == Kind::Edit || kind == Kind::Button || kind == Kind::List;
    }
};

struct Page {
    std::string_view name;
    std::string_view caption;
    std::span<const Control> controls;
    // Help page: the labels run at the full page width from the top, each pushing the next
    // one down by the height its wrapped text takes (their rectangles give the minimum).
    bool stacked = false;
    // Help page: what stands below the stacked labels, at its own rectangle.
    std::span<const Control> below{};
};

struct Form {
    std::string_view name;
    std::string_view caption;
    int clientWidth = 0;
    int clientHeight = 0;
    Font windowFont;
    std::string_view pagesName;  // the tab control, filling the client area
    Font pagesFont;
    Rect pageArea;  // the inside of a page, below the tabs
    std::span<const Page> pages;
    int activePage = 0;
    std::string_view exitAction;  // closes the window on Escape
};

const Form& MainForm();

// The control of that name on any page.
std::optional<Control> FindControl(std::string_view name);

// The edit that is that field (not Field::None).
const Control& FieldControl(Field field);

// The focusable controls of a page in tab order.
std::vector<Control> TabOrder(const Page& page);

// The progress dialog of a long step: shown once the step has run this long, with its phase,
// a bar, the time taken and left, the size the archive has reached, and a cancel button.
inline constexpr std::chrono::milliseconds kProgressDelay{500};
// Once shown, it stays up at least this long, so that it never just flashes.
inline constexpr std::chrono::milliseconds kProgressShownAtLeast{500};

// Its layout, the same in both windows: client size and the rectangles of its parts, in
// pixels at 96 DPI. The percentage stands right-aligned at the end of the phase's line.
struct ProgressLayout {
    int clientWidth = 0;
    int clientHeight = 0;
    Font font;
    Rect phase;
    Rect percent;
    Rect bar;
    Rect elapsed;
    Rect timeLeft;
    Rect size;
    Rect cancel;
};

const ProgressLayout& ProgressDialogLayout();

// The publication dialog "Публикуване", opened from the help page: fixed size, modal over the
// window, its controls placed as on a page (the client area is its page).
struct Dialog {
    std::string_view name;
    std::string_view caption;
    int clientWidth = 0;
    int clientHeight = 0;
    Font font;
    std::span<const Control> controls;
};

const Dialog& PublishDialogForm();

// The dialog's control that is that field, or that runs that handler.
const Control& PublishFieldControl(Field field);
const Control& PublishButton(Handler handler);

// Its focusable controls in tab order.
std::vector<Control> TabOrder(std::span<const Control> controls);

}  // namespace upd::form

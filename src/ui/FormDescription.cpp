#include "ui/FormDescription.h"

#include <algorithm>
#include <array>
#include <cstdio>

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

constexpr std::int64_t kKilobyte = 1024;
constexpr std::int64_t kMegabyte = 1024 * kKilobyte;

constexpr int kCommandButtonPixels = 16;
constexpr Rect kPathEdit{0, 16, 441, 23};
constexpr Rect kSelectButton{448, 14, 97, 25};
constexpr Rect kCommandButton{176, 134, 281, 49};

constexpr Control SelectButton(std::string_view name, Handler handler) {
    return {name, Kind::Button, "Избери", kSelectButton, 13, 1, false, handler};
}

constexpr Control CommandButton(std::string_view name, std::string_view text, Handler handler) {
    return {name, Kind::Button, text, kCommandButton, kCommandButtonPixels, 2, false, handler};
}

constexpr std::array kIndexPackagePage{
    Control{"lbl1", Kind::Label, "Път до updates.xml", {0, 0, 107, 15}},
    Control{"edUpdatesXMLPath", Kind::Edit, "", kPathEdit, 13, 0},
    SelectButton("btnSelectUpdatesXML", Handler::SelectUpdatesXml),
    Control{"lbl4",
            Kind::WrappingLabel,
            "В избрания файл трябва да са описани имената на update архивите, които трябва да "
            "се приложат.",
            {0, 40, 425, 30}},
    Control{"lbl10",
            Kind::WrappingLabel,
            "Ще бъде генериран upd файл, който се дърпа от аптечната програма при проверка за "
            "нов ъпдейт.",
            {0, 72, 418, 30}},
    CommandButton("btnGenerateUpdates", "Генерирай updates.upd", Handler::GenerateUpdates),
};

// lbl8 and lbl9 take lbl3's width so that each reads on one line: at their narrower widths
// of 258 and 233 pixels both wrap, overlap each other and run into the button.
constexpr std::array kUpdateArchivePage{
    Control{"lbl2", Kind::Label, "Път до папката с файловете на пача", {0, 0, 204, 15}},
    Control{"edUpdateFilesPath", Kind::Edit, "", kPathEdit, 13, 0, true},
    SelectButton("btnSelectUpdateFiles", Handler::SelectUpdateFiles),
    Control{"lbl11", Kind::Label, "Парола", {0, 40, 43, 15}},
    Control{"edPassField", Kind::Edit, "KORVE482tm915$", {0, 56, 441, 23}, 13, 3},
    Control{"lbl3",
            Kind::WrappingLabel,
            "От избраната папка ще бъде генериран архив с файловете на ъпдейта. ",
            {0, 80, 404, 15}},
    Control{"lbl8",
            Kind::WrappingLabel,
            "Този архив трябва да носи името, посочено в updates.xml.",
            {0, 96, 404, 15}},
    Control{"lbl9",
            Kind::WrappingLabel,
            "Сваля се от аптечната програма ако не е приложен.",
            {0, 112, 404, 15}},
    CommandButton("btnGenerateUpdateArchive", "Генерирай upd с update файловете",
                  Handler::GenerateUpdateArchive),
};

constexpr std::array kRestorePage{
    Control{"lbl5", Kind::Label, "Път до updates.upd", {0, 0, 108, 15}},
    Control{"edUpdFilePath", Kind::Edit, "", kPathEdit, 13, 0, true},
    SelectButton("btnSelectUpdFile", Handler::SelectUpdFile),
    Control{"lbl6",
            Kind::WrappingLabel,
            "От избрания файл ще бъде генериран updates.xml файл.",
            {0, 40, 319, 15}},
    Control{"lbl7",
            Kind::WrappingLabel,
            "Целта е по-лесно добавяне на нови ъпдейти, ако updates.xml не е наличен",
            {0, 56, 419, 15}},
    CommandButton("btnRestoreUpdatesXML", "Възстанови updates.xml", Handler::RestoreUpdatesXml),
};

constexpr int kPageWidth = 634;

constexpr Control HelpLine(int index, std::string_view name, std::string_view text) {
    return {name, Kind::WrappingLabel, text, {0, 15 * index, kPageWidth, 15}};
}

constexpr std::array kHelpPage{
    HelpLine(0, "lbl13",
             "Приложението служи за създаване на допълнителни актуализации за Дарвела 2."),
    HelpLine(1, "lbl14", "За добавяне на нова актуализация е необходимо следното:"),
    HelpLine(2, "lbl15",
             " • Ако не е наличен updates.xml,  от М-ката\\x\\updates\\dvl2autopatcher се сваля "
             "updates.upd файла."),
    HelpLine(3, "lbl16", " • От updates.upd се възстановява updates.xml файла."),
    HelpLine(4, "lbl17",
             " • Добавя се името на новия ъпдейт в updates.xml файла (за повече информация как "
             "виж updates.dtd)"),
    HelpLine(5, "lbl18", " • Генерира се updatex.upd от updates.xml"),
    HelpLine(6, "lbl19",
             " • Генерира се update архив с файловете на пача ( в него трябва да има описващия "
             "пача файл descriptor.xml)"),
    HelpLine(7, "lbl12",
             " • updates.upd и update архивът се качват на М-ката\\x\\updates\\dvl2autopatcher"),
};

constexpr std::array kPages{
    Page{"ts1", "Генериране на updates.xml", kIndexPackagePage},
    Page{"ts2", "Генериране на update архив", kUpdateArchivePage},
    Page{"ts3", "Възстановяване на updates.xml", kRestorePage},
    Page{"ts4", "Какво да правя?", kHelpPage, true},
};

constexpr Form kMainForm{
    "MainForm",
    "Генериране на допълнителни актуализации за Дарвела 2",
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

std::optional<Control> FindControl(std::string_view name) {
    for (const Page& page : kMainForm.pages) {
        for (const Control& control : page.controls) {
            if (control.name == name) {
                return control;
            }
        }
    }
    return std::nullopt;
}

std::vector<Control> TabOrder(const Page& page) {
    std::vector<Control> order;
    std::copy_if(page.controls.begin(), page.controls.end(), std::back_inserter(order),
                 [](const Control& control) { return control.tabStop != kNoTabStop; });
    std::stable_sort(order.begin(), order.end(),
                     [](const Control& a, const Control& b) { return a.tabStop < b.tabStop; });
    return order;
}

std::string ClockText(std::chrono::milliseconds time) {
    const long long total = std::chrono::duration_cast<std::chrono::seconds>(time).count();
    const long long hours = total / 3600;
    const long long minutes = total / 60 % 60;
    const long long seconds = total % 60;
    char clock[32];
    if (hours > 0) {
        std::snprintf(clock, sizeof clock, "%lld:%02lld:%02lld", hours, minutes, seconds);
    } else {
        std::snprintf(clock, sizeof clock, "%lld:%02lld", minutes, seconds);
    }
    return clock;
}

std::string SizeText(std::int64_t bytes) {
    char size[32];
    if (bytes < kMegabyte) {
        std::snprintf(size, sizeof size, "%lld KB",
                      static_cast<long long>((bytes + kKilobyte - 1) / kKilobyte));
    } else {
        const auto tenths = static_cast<long long>((bytes * 10 + kMegabyte / 2) / kMegabyte);
        std::snprintf(size, sizeof size, "%lld,%lld MB", tenths / 10, tenths % 10);
    }
    return size;
}

std::string ProgressElapsedText(std::chrono::milliseconds elapsed) {
    return "Изминало време: " + ClockText(elapsed);
}

std::string ProgressSizeText(std::int64_t bytes) {
    return "Размер на архива: " + SizeText(bytes);
}

}  // namespace upd::form

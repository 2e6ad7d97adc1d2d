#pragma once

// Every text the program shows: messages, captions, chooser titles and filters, progress
// texts. Code names each text by its identifier here and never spells a shown text itself.

#include <string>
#include <string_view>

namespace upd::text {

// The window and its dialogs.

// The commands' checks, choosers and results.

// Refusals of input that would lose or leak data.

// "Пътят съдържа нулев знак (NUL) след "<path up to the NUL>" ..."
inline constexpr std::string_view kNulInPathBefore = "Пътят съдържа нулев знак (NUL) след \"";
inline constexpr std::string_view kNulInPathAfter = "\" и не може да бъде използван.";
inline constexpr std::string_view kNulInPassword =
    "Паролата съдържа нулев знак (NUL). Файл с парола трябва да е текст в UTF-8.";
// Pack: "<name>" twice among the inputs.
inline constexpr std::string_view kDuplicateInputBefore =
    "Два от файловете носят едно и също име \"";
inline constexpr std::string_view kDuplicateInputAfter = "\" в пакета. Пакетът не е записан.";
// Unpack: a package holding two entries of one name.
inline constexpr std::string_view kDuplicateEntryBefore =
    "Пакетът съдържа повече от един файл с името \"";
inline constexpr std::string_view kDuplicateEntryAfter = "\". Нищо не е записано.";
inline constexpr std::string_view kOutputIsInputBefore = "Файлът \"";
inline constexpr std::string_view kOutputIsInputAfter =
    "\" е и входен файл, и пакетът за запис. Пакетът не е записан.";
inline constexpr std::string_view kTargetIsPackageBefore = "Файлът \"";
inline constexpr std::string_view kTargetIsPackageAfter =
    "\" е самият пакет и не може да бъде заменен със съдържанието му. Нищо не е записано.";
// The patch folder holds only ordinary files and folders.
inline constexpr std::string_view kLinkInPatchFolderBefore =
    "В папката с файловете за ъпдейт има връзка към друго място (symbolic link, junction): \"";
inline constexpr std::string_view kSpecialInPatchFolderBefore =
    "В папката с файловете за ъпдейт има нещо, което не е обикновен файл или папка: \"";
inline constexpr std::string_view kNotArchivedAfter = "\". Нищо не е архивирано.";

// before + value + after, for the texts above that name a file.
inline std::string Around(std::string_view before, std::string_view value, std::string_view after) {
    return std::string(before).append(value).append(after);
}

// Progress of a long step.

}  // namespace upd::text

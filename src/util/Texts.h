#pragma once

// Every text the program shows: messages, captions, chooser titles and filters, progress
// texts. Code names each text by its identifier here and never spells a shown text itself.

#include <string>
#include <string_view>

namespace upd::text {

// The window and its dialogs.

inline constexpr std::string_view kFormCaption =
    "Генериране на допълнителни актуализации за Дарвела 2";
inline constexpr std::string_view kIndexPackagePage = "Генериране на updates.xml";
inline constexpr std::string_view kUpdateArchivePage = "Генериране на update архив";
inline constexpr std::string_view kRestorePage = "Възстановяване на updates.xml";
inline constexpr std::string_view kHelpPage = "Какво да правя?";
inline constexpr std::string_view kSelect = "Избери";

inline constexpr std::string_view kUpdatesXmlPathLabel = "Път до updates.xml";
inline constexpr std::string_view kIndexNamesArchives =
    "В избрания файл трябва да са описани имената на update архивите, които трябва да се "
    "приложат.";
inline constexpr std::string_view kIndexPackageIsFetched =
    "Ще бъде генериран upd файл, който се дърпа от аптечната програма при проверка за нов "
    "ъпдейт.";
inline constexpr std::string_view kGenerateUpdates = "Генерирай updates.upd";

inline constexpr std::string_view kPatchFolderLabel = "Път до папката с файловете на пача";
inline constexpr std::string_view kPasswordLabel = "Парола";
inline constexpr std::string_view kStartingPassword = "KORVE482tm915$";
inline constexpr std::string_view kArchiveFromFolder =
    "От избраната папка ще бъде генериран архив с файловете на ъпдейта. ";
inline constexpr std::string_view kArchiveNameFromIndex =
    "Този архив трябва да носи името, посочено в updates.xml.";
inline constexpr std::string_view kArchiveIsFetched =
    "Сваля се от аптечната програма ако не е приложен.";
inline constexpr std::string_view kGenerateUpdateArchive = "Генерирай upd с update файловете";

inline constexpr std::string_view kUpdatesUpdPathLabel = "Път до updates.upd";
inline constexpr std::string_view kRestoreFromFile =
    "От избрания файл ще бъде генериран updates.xml файл.";
inline constexpr std::string_view kRestorePurpose =
    "Целта е по-лесно добавяне на нови ъпдейти, ако updates.xml не е наличен";
inline constexpr std::string_view kRestoreUpdatesXml = "Възстанови updates.xml";

inline constexpr std::string_view kHelpPurpose =
    "Приложението служи за създаване на допълнителни актуализации за Дарвела 2.";
inline constexpr std::string_view kHelpSteps =
    "За добавяне на нова актуализация е необходимо следното:";
inline constexpr std::string_view kHelpFetch =
    " • Ако не е наличен updates.xml,  от М-ката\\x\\updates\\dvl2autopatcher се сваля "
    "updates.upd файла.";
inline constexpr std::string_view kHelpRestore =
    " • От updates.upd се възстановява updates.xml файла.";
inline constexpr std::string_view kHelpAddName =
    " • Добавя се името на новия ъпдейт в updates.xml файла (за повече информация как виж "
    "updates.dtd)";
inline constexpr std::string_view kHelpGenerateIndex = " • Генерира се updatex.upd от updates.xml";
inline constexpr std::string_view kHelpGenerateArchive =
    " • Генерира се update архив с файловете на пача ( в него трябва да има описващия пача файл "
    "descriptor.xml)";
inline constexpr std::string_view kHelpUpload =
    " • updates.upd и update архивът се качват на М-ката\\x\\updates\\dvl2autopatcher";

// The window's own choosers.
inline constexpr std::string_view kUpdatesXmlFilter = "XML Файлове|*.xml";
inline constexpr std::string_view kUpdFileFilter = "UPD Файлове|*.upd";  // the restore page's
inline constexpr std::string_view kChooseFileTitle = "Избери файл...";
inline constexpr std::string_view kPatchFolderCaption = "Изберете папката с файловете на пача";

// The publication dialog, opened from the help page.
inline constexpr std::string_view kOpenPublishDialog = "Публикуване…";
inline constexpr std::string_view kPublishDialogCaption = "Публикуване";
inline constexpr std::string_view kPublishFolderLabel = "Папка за актуализациите (споделената)";
inline constexpr std::string_view kPublishIndexLabel = "Пакет с индекса (updates.upd)";
inline constexpr std::string_view kPublishArchivesLabel = "Update архиви на тази публикация";
inline constexpr std::string_view kPublishPasswordLabel =
    "Парола на архивите (по желание: 7-Zip ги проверява)";
inline constexpr std::string_view kAddArchives = "Добави…";
inline constexpr std::string_view kRemoveArchives = "Премахни";
inline constexpr std::string_view kCheckPublication = "Провери";
inline constexpr std::string_view kPublishRelease = "Публикувай";
inline constexpr std::string_view kPublishFolderCaption = "Изберете папката за актуализациите";
inline constexpr std::string_view kPublishArchivesTitle = "Изберете update архивите";
inline constexpr std::string_view kPublishNoFolder = "Не е посочена папка за публикуване.";
inline constexpr std::string_view kPublishNoIndex = "Не е посочен пакетът с индекса.";
inline constexpr std::string_view kPublishNoArchiver =
    "Архиваторът SEVENZIP не е намерен до програмата: без него архивите не могат да бъдат "
    "проверени с паролата.";
inline constexpr std::string_view kPublishPlanTitle = "План на публикуването";
inline constexpr std::string_view kPublishReportTitle = "Публикувано";
inline constexpr std::string_view kPublishCopyText = "Копирай";
// A line of the plan or the report: "u1.upd: копиран, 1234 байта, SHA-256 1a2b3c4d5e6f7a8b".
inline constexpr std::string_view kPublishLineState = ": ";
inline constexpr std::string_view kPublishBytes = " байта";
inline constexpr std::string_view kPublishSha256 = ", SHA-256 ";
inline constexpr std::string_view kPublishClose = "Затвори";
// The folder the publishers use (the mapped drive M:): the dialog starts with it on Windows
// when it exists.
inline constexpr std::string_view kPublishersFolder = "M:\\x\\updates\\dvl2autopatcher";

// The message dialog: titles by type, button captions ('&' before the access key).
inline constexpr std::string_view kWarningTitle = "Предупреждение";
inline constexpr std::string_view kErrorTitle = "Грешка";
inline constexpr std::string_view kInformationTitle = "Информация";
inline constexpr std::string_view kConfirmationTitle = "Потвърждение";
inline constexpr std::string_view kButtonYes = "&Дa";  // Cyrillic Д, Latin a
inline constexpr std::string_view kButtonNo = "&Не";
inline constexpr std::string_view kButtonOk = "OK";
inline constexpr std::string_view kButtonCancel = "&Отказ";
inline constexpr std::string_view kButtonAbort = "От&каз";
inline constexpr std::string_view kButtonRetry = "О&тново";
inline constexpr std::string_view kButtonIgnore = "&Игнориране";
inline constexpr std::string_view kButtonAll = "&Всички";
inline constexpr std::string_view kButtonNoToAll = "Н&е за вс.";
inline constexpr std::string_view kButtonYesToAll = "Д&а за вс.";
inline constexpr std::string_view kButtonHelp = "&Помощ";

// The error dialog: this prefix and the exception's message.
inline constexpr std::string_view kExceptionPrefix = "Exception: ";
inline constexpr std::string_view kUnknownException = "Unknown exception";

// The commands' checks, choosers and results.

inline constexpr std::string_view kDone = "Готово!";
inline constexpr std::string_view kDoesNotExist = " не съществува!";  // after a path
inline constexpr std::string_view kInvalidUpdatesXmlPath = "Невалиден път до updates.xml!";
inline constexpr std::string_view kUpdatesUpdFolderCaption =
    "Директория, в която да се запише updates.upd";
inline constexpr std::string_view kInvalidUpdatesUpdPath = "Невалиден път до updates.upd!";
inline constexpr std::string_view kUpdatesXmlFolderCaption =
    "Директория, в която да се запише updates.xml";

inline constexpr std::string_view kNoDescriptor =
    "В папката с файловете за ъпдейт трябва да съществува описващия ъпдейта файл "
    "descriptor.xml!";
inline constexpr std::string_view kInvalidPassword = "Invalid password!";
inline constexpr std::string_view kArchiverChooserTitle = "Изберете път до SevenZip.exe";
inline constexpr std::string_view kWindowsArchiverFilter = "SevenZip.exe|*.exe";
inline constexpr std::string_view kPosixArchiverFilter = "SevenZip|*";
inline constexpr std::string_view kArchiveOutputFilter = "Upd файлове|*.upd";  // not kUpdFileFilter
inline constexpr std::string_view kArchiveOutputTitle = "Изберете път за запис на update архива";
inline constexpr std::string_view kNoArchiveOutput = "Не е посочен път за запис на update архива.";

// "Архиваторът завърши с код 2 (фатална грешка). Архивът X не е създаден."
inline constexpr std::string_view kArchiverEndedWithCode = "Архиваторът завърши с код ";
inline constexpr std::string_view kArchiveNotCreated = " не е създаден.";
inline constexpr std::string_view kTheArchive = "Архивът ";
inline constexpr std::string_view kExitCodeSomeFilesSkipped = "някои файлове не бяха добавени";
inline constexpr std::string_view kExitCodeFatal = "фатална грешка";
inline constexpr std::string_view kExitCodeCommandLine = "грешка в командния ред";
inline constexpr std::string_view kExitCodeNoMemory = "недостатъчно памет";
inline constexpr std::string_view kExitCodeStoppedByUser = "прекъснат от потребителя";
inline constexpr std::string_view kExitCodeFailure = "неуспех";

// "Проверката на новия архив не успя: <why>. Архивът X не е записан."
inline constexpr std::string_view kArchiveCheckFailed = "Проверката на новия архив не успя: ";
inline constexpr std::string_view kArchiveNotWritten = " не е записан.";
inline constexpr std::string_view kCheckCannotOpen = "архиваторът не може да го отвори с паролата";
inline constexpr std::string_view kCheckNoDescriptor = "в корена му няма descriptor.xml";

// The index package and the files it is made from or written to.

inline constexpr std::string_view kError = "Error";
inline constexpr std::string_view kStreamReadError = "Stream read error";
inline constexpr std::string_view kStreamWriteError = "Stream write error";
inline constexpr std::string_view kCannotCreateFile = "Cannot create file \"";  // path, then ". "
inline constexpr std::string_view kCannotOpenFile = "Cannot open file \"";
inline constexpr std::string_view kFolderForbidsFiles = "\". The folder \"";
inline constexpr std::string_view kDoesNotAllowCreatingFiles = "\" does not allow creating files: ";
inline constexpr std::string_view kIsAFolder = "It is a folder, not a file";
inline constexpr std::string_view kNotARegularFile =
    "It is not a regular file but a device, FIFO or socket";
inline constexpr std::string_view kSystemError = "System error ";     // and its number
inline constexpr std::string_view kUnableToRun = ") Unable to run ";  // "(<code>) Unable to run X"

inline constexpr std::string_view kTheFile = "Файлът \"";
inline constexpr std::string_view kTooLargeToPack =
    "\" е 2 GiB или по-голям и не може да бъде пакетиран.";
inline constexpr std::string_view kImpossibleNameLength =
    "Пакетът е повреден: невъзможна дължина на име (";
inline constexpr std::string_view kForbiddenStoredName =
    "Пакетът съдържа недопустимо име на файл: \"";
inline constexpr std::string_view kNegativeSize = "Пакетът е повреден: отрицателен размер на \"";
inline constexpr std::string_view kTrailingData =
    "Пакетът е повреден: след последния запис има излишни данни.";
inline constexpr std::string_view kTheName = "Името \"";
inline constexpr std::string_view kNameHasUnstorableCharacters =
    "\" съдържа знаци, които не могат да бъдат записани в пакета.";
inline constexpr std::string_view kNameCannotBeStored = "\" не може да бъде записано в пакета.";
inline constexpr std::string_view kStoredNameUnknownCharacters =
    "Пакетът съдържа име на файл с непознати знаци.";
inline constexpr std::string_view kNoCodePage1251 =
    "Кодовата таблица CP1251 не е налична в системата.";

// Refusals of input that would lose or leak data.

inline constexpr std::string_view kPasswordWithQuote =
    "Паролата не може да съдържа знака \" (двойни кавички): архиваторът не може да я получи.";
// "Паролата е твърде дълга: позволени са най-много <count> знака."
inline constexpr std::string_view kPasswordTooLongBefore =
    "Паролата е твърде дълга: позволени са най-много ";
inline constexpr std::string_view kPasswordTooLongAfter = " знака.";
inline constexpr std::string_view kPasswordWithLineBreak =
    "Паролата не може да съдържа нов ред: архиваторът не може да я получи.";
// "Update архивът не може да бъде записан в папката ... : "<path>". ..."
inline constexpr std::string_view kOutputInPatchFolderBefore =
    "Update архивът не може да бъде записан в папката с файловете за ъпдейт, защото ще влезе "
    "в следващия ѝ архив: \"";
inline constexpr std::string_view kOutputInPatchFolderAfter =
    "\". Изберете място извън тази папка.";

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
inline constexpr std::string_view kOutputIsInputAfter =
    "\" е и входен файл, и пакетът за запис. Пакетът не е записан.";
inline constexpr std::string_view kTargetIsPackageAfter =
    "\" е самият пакет и не може да бъде заменен със съдържанието му. Нищо не е записано.";
// The patch folder holds only ordinary files and folders.
inline constexpr std::string_view kLinkInPatchFolderBefore =
    "В папката с файловете за ъпдейт има връзка към друго място (symbolic link, junction): \"";
inline constexpr std::string_view kSpecialInPatchFolderBefore =
    "В папката с файловете за ъпдейт има нещо, което не е обикновен файл или папка: \"";
inline constexpr std::string_view kNotArchivedAfter = "\". Нищо не е архивирано.";

// Publishing into the shared update folder: each names the file or folder concerned.
inline constexpr std::string_view kNoSha256 = "Системата не предоставя SHA-256.";
inline constexpr std::string_view kCannotWriteAfter = "\" не може да бъде записан: ";
inline constexpr std::string_view kCannotReadBackAfter = "\" не може да бъде прочетен обратно: ";
inline constexpr std::string_view kReadBackDiffersAfter =
    "\" е прочетен обратно с друго съдържание (SHA-256) от записаното. Не е публикуван.";
inline constexpr std::string_view kPublishFolderBefore = "Папката за публикуване \"";
inline constexpr std::string_view kPublishFolderBusyBefore = "Не е публикувано в папката \"";
inline constexpr std::string_view kPublishFolderMissingAfter = "\" не съществува!";
inline constexpr std::string_view kPublishNotAFolderAfter = "\" не е папка!";
// The folder's lock file, held by one publication at a time.
inline constexpr std::string_view kPublishLockName = ".publish.lock";
inline constexpr std::string_view kPublishRunningAfter =
    "\": в нея вече тече друга публикация. Опитайте отново, когато тя завърши.";
inline constexpr std::string_view kPublishSourceInFolderAfter =
    "\" вече е в папката за публикуване: посочете файла, който да бъде копиран там.";
inline constexpr std::string_view kPublishArchiveBefore = "Архивът \"";
inline constexpr std::string_view kPublishNamedTwiceAfter =
    "\" е посочен два пъти (или носи името на updates.upd).";
inline constexpr std::string_view kPublishNotIndexPackageAfter =
    "\" не е валиден пакет с индекс (updates.upd): ";
inline constexpr std::string_view kPublishNoUpdatesXmlAfter = "\" не съдържа updates.xml.";
inline constexpr std::string_view kPublishXmlBefore = "updates.xml в пакета \"";
inline constexpr std::string_view kPublishXmlAfter = "\" не е правилно оформен XML";
inline constexpr std::string_view kPublishXmlLine = " (ред ";
inline constexpr std::string_view kPublishXmlColumn = ", колона ";
inline constexpr std::string_view kPublishNotIndexedAfter =
    "\" не е посочен в updates.xml: аптеките няма да го изтеглят.";
inline constexpr std::string_view kPublishMissingBefore = "updates.xml посочва архива \"";
inline constexpr std::string_view kPublishMissingMiddle =
    "\", който не е сред публикуваните и го няма в папката \"";
inline constexpr std::string_view kPublishMissingAfter = "\".";
inline constexpr std::string_view kPublishOtherBytesAfter =
    "\" вече е публикуван с друго съдържание. Аптеките, които са го приложили, няма да го "
    "изтеглят отново; заменете го само съзнателно, с --replace.";
inline constexpr std::string_view kPublishSourceChangedAfter =
    "\" се промени по време на публикуването. Индексът не е публикуван.";
inline constexpr std::string_view kPublishNameTakenAfter =
    "\" се появи в папката по време на публикуването (от друга публикация) и не е заменен. "
    "Индексът не е публикуван.";
inline constexpr std::string_view kPublishEntryPathBefore = "updates.xml посочва \"";
inline constexpr std::string_view kPublishEntryPathAfter =
    "\" с папка или адрес, а архивите се публикуват в самата папка: посочете само името на "
    "файла. Нищо не е публикувано.";
inline constexpr std::string_view kPublishEmptyAfter =
    "\" е празен (0 байта), а 7-Zip архив никога не е празен. Нищо не е публикувано.";
inline constexpr std::string_view kPublishTestFailedAfter =
    "\" не премина проверката със 7-Zip, затова нищо не е публикувано: ";
inline constexpr std::string_view kPublishReportLost =
    "Публикуването завърши, но отчетът за него не можа да бъде записан.";

// before + value + after, for the texts above that name a file.
inline std::string Around(std::string_view before, std::string_view value, std::string_view after) {
    return std::string(before).append(value).append(after);
}

// updtool: its messages on standard error and its --help texts (English, for scripts).

inline constexpr std::string_view kToolNoArchiver =
    "Архиваторът SEVENZIP не е намерен до updtool; посочете го с --archiver.";
inline constexpr std::string_view kToolInterrupted = "Прекъснато.";
// Before "--password -" is typed at a terminal, which does not show it.
inline constexpr std::string_view kToolPasswordPrompt = "Парола за архива (не се показва): ";
inline constexpr std::string_view kToolCannotWrite = "Cannot write the output.";
inline constexpr std::string_view kToolEmptyValue = "must not be empty";
inline constexpr std::string_view kToolDescription =
    "Prepares the update files of Дарвела 2: the index package and update archives.";
inline constexpr std::string_view kToolPack = "Pack files, in order, into an index package.";
inline constexpr std::string_view kToolPackOutput = "The package to write (replaced if present).";
inline constexpr std::string_view kToolPackFiles = "Files to pack, e.g. updates.xml.";
inline constexpr std::string_view kToolUnpack = "Unpack every entry of a package into a folder.";
inline constexpr std::string_view kToolUnpackInput = "The index package, e.g. updates.upd.";
inline constexpr std::string_view kToolUnpackFolder = "The folder to write into.";
inline constexpr std::string_view kToolList = "Check every entry and print NAME, SIZE, COMPRESSED.";
inline constexpr std::string_view kToolListInput = "The index package.";
inline constexpr std::string_view kToolArchive =
    "Archive a patch folder holding descriptor.xml into a password-protected .upd.";
inline constexpr std::string_view kToolPasswordGroupName = "password";
inline constexpr std::string_view kToolPasswordGroup =
    "The password may hold blanks but no line break (nor, on Windows, a double quote).";
inline constexpr std::string_view kToolPassword =
    "The archive password; - reads the first line of standard input.";
inline constexpr std::string_view kToolPasswordFile = "A file whose first line is the password.";
inline constexpr std::string_view kToolArchiveOutput = "The archive to write (.upd is added).";
inline constexpr std::string_view kToolPatchFolder = "The patch folder.";
inline constexpr std::string_view kToolArchiver =
    "The 7-Zip program, when there is no SEVENZIP next to updtool.";

inline constexpr std::string_view kToolPublish =
    "Copy the update archives, then the index package, into the shared update folder, each "
    "through a temporary name, flushed, read back and checked by SHA-256, after checking the "
    "whole publication. Prints NAME, STATE, SIZE, SHA-256 per file. The window runs the same "
    "step from its dialog \"Публикуване\" (the help page's button).";
inline constexpr std::string_view kToolPublishFolder = "The shared update folder.";
inline constexpr std::string_view kToolPublishIndex =
    "The index package (published as updates.upd).";
inline constexpr std::string_view kToolPublishArchives = "The update archives it names.";
inline constexpr std::string_view kToolDryRun = "Run every check and print the plan; copy nothing.";
inline constexpr std::string_view kToolReplace =
    "Replace an archive published before with other contents. Pharmacies that applied it "
    "already never fetch it again: they keep the old contents.";
inline constexpr std::string_view kToolTestPassword =
    "Test each archive with 7-Zip and this password; - reads the first line of standard input.";
// The state of each published file, on standard output.
inline constexpr std::string_view kPublishCopied = "копиран";
inline constexpr std::string_view kPublishAlreadyThere = "вече е там";
inline constexpr std::string_view kPublishPlanned = "ще бъде копиран";
// On standard error, for each temporary file a killed run left in the folder: "...: "<path>"".
inline constexpr std::string_view kPublishLeftoverRemoved =
    "Премахнат е временен файл, оставен от прекъснато изпълнение: \"";
inline constexpr std::string_view kPublishLeftoverFound =
    "Ще бъде премахнат временен файл, оставен от прекъснато изпълнение: \"";

// Progress of a long step.

inline constexpr std::string_view kProgressTitle = "Архивиране";
inline constexpr std::string_view kProgressCancel = "Отказ";
inline constexpr std::string_view kProgressElapsed = "Изминало време: ";
inline constexpr std::string_view kProgressSize = "Размер на архива: ";
// Its phases.
inline constexpr std::string_view kPhaseArchiving = "Архивиране";
inline constexpr std::string_view kPhaseChecking = "Проверка на архива";
inline constexpr std::string_view kPhasePacking = "Пакетиране";
inline constexpr std::string_view kPhaseRestoring = "Възстановяване";
// What the index steps have written so far, in place of the archive's size.
inline constexpr std::string_view kProgressPackageSize = "Размер на пакета: ";
inline constexpr std::string_view kProgressRestored = "Възстановени: ";
inline constexpr std::string_view kPhasePublishing = "Публикуване";
// Publishing's first phase: the sums of the sources and of what stands in the folder.
inline constexpr std::string_view kPhaseHashing = "Сравняване на файловете";
inline constexpr std::string_view kProgressHashed = "Прочетени: ";
inline constexpr std::string_view kProgressPublished = "Копирани: ";
// "42 %": the percentage with its sign.
inline constexpr std::string_view kPercentSign = " %";
// Before the estimate of the time the phase still needs, in the dialog: "Оставащо време: 0:42".
inline constexpr std::string_view kTimeLeft = "Оставащо време: ";
// The same in updtool's line: "Архивиране: 42 %, 0:12, остава 0:42, 3,4 MB".
inline constexpr std::string_view kTimeLeftShort = "остава ";

}  // namespace upd::text

#include "ops/UpdateArchive.h"

#include <filesystem>
#include <sstream>
#include <system_error>
#include <vector>

#include "ops/Messages.h"
#include "util/FileSystem.h"
#include "util/OperationError.h"
#include "util/ProcessRunner.h"
#include "util/ReplacingFile.h"
#include "util/Text.h"

namespace upd {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr const char* kArchiverName = "SEVENZIP.exe";
constexpr const char* kArchiverFilter = "SevenZip.exe|*.exe";
#else
constexpr const char* kArchiverName = "SEVENZIP";
constexpr const char* kArchiverFilter = "SevenZip|*";
#endif
constexpr std::size_t kShownOutputLines = 8;

void CheckInputs(const std::string& patchFolder, const std::string& password) {
    if (!DirectoryExists(patchFolder)) {
        throw OperationError(patchFolder + kDoesNotExist);
    }
    if (!FileExists(EnsureTrailingBackslash(patchFolder) + "descriptor.xml")) {
        throw OperationError(
            "В папката с файловете за ъпдейт трябва да съществува описващия ъпдейта файл "
            "descriptor.xml!");
    }
    if (password.empty()) {
        throw OperationError("Invalid password!");
    }
    if (password.find('"') != std::string::npos) {
        throw OperationError(
            "Паролата не може да съдържа знака \" (двойни кавички): архиваторът не може да я "
            "получи.");
    }
}

std::string LocateArchiver(const std::string& archiverPath, InteractionServices& services) {
    if (FileExists(archiverPath)) {
        return archiverPath;
    }
    const std::string chosen = services.ChooseFile(kArchiverFilter, "Изберете път до SevenZip.exe");
    if (!FileExists(chosen)) {
        throw OperationError(chosen + kDoesNotExist);
    }
    return chosen;
}

std::string ExitCodeMeaning(int code) {
    switch (code) {
        case 1:
            return "някои файлове не бяха добавени";
        case 2:
            return "фатална грешка";
        case 7:
            return "грешка в командния ред";
        case 8:
            return "недостатъчно памет";
        case 255:
            return "прекъснат от потребителя";
        default:
            return "неуспех";
    }
}

// The last non-blank lines of the archiver's output, for the error message.
std::string LastLines(const std::string& text, std::size_t count) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") != std::string::npos) {
            lines.push_back(line);
        }
    }
    std::string result;
    for (std::size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i) {
        result += (result.empty() ? "" : "\n") + lines[i];
    }
    return result;
}

std::string WithoutPassword(std::string text, const std::string& password) {
    for (std::size_t at; (at = text.find(password)) != std::string::npos;) {
        text.replace(at, password.size(), "***");
    }
    return text;
}

[[noreturn]] void ThrowArchiverFailure(const ProcessOutcome& outcome, const std::string& password) {
    std::string message = "Архиваторът завърши с код " + std::to_string(outcome.exitCode) + " (" +
                          ExitCodeMeaning(outcome.exitCode) + "). Архивът не е създаден.";
    const std::string lines = LastLines(outcome.outputTail, kShownOutputLines);
    if (!lines.empty()) {
        message += "\n" + lines;
    }
    throw OperationError(WithoutPassword(message, password));
}

// Removes the archiver's temporary output unless it was moved into place.
class TemporaryArchive {
  public:
    explicit TemporaryArchive(const std::string& output)
        : path_(TemporarySibling(ToPath(output), ".upd")) {}
    ~TemporaryArchive() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    TemporaryArchive(const TemporaryArchive&) = delete;
    TemporaryArchive& operator=(const TemporaryArchive&) = delete;
    std::string Text() const { return FromPath(path_); }
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

void ArchiveInto(const std::string& archiver, const std::string& password,
                 const std::string& output, const std::string& patchFolder) {
    const TemporaryArchive archive(output);
    const ProcessOutcome outcome =
        RunAndWait(ArchiverCommandLine(archiver, password, archive.Text(), patchFolder));
    if (outcome.exitCode != 0) {
        ThrowArchiverFailure(outcome, password);
    }
    if (const long error = ReplaceFile(archive.Path(), ToPath(output)); error != 0) {
        throw OperationError(CannotCreateMessage(ToPath(output), error));
    }
}

}  // namespace

std::string DefaultArchiverPath() {
    return ExecutableDirectory() + kArchiverName;
}

std::string WithUpdExtension(const std::string& path) {
    return EndsWithCaseSensitive(".upd", path) ? path : path + ".upd";
}

std::string ArchiverCommandLine(const std::string& archiver, const std::string& password,
                                const std::string& archive, const std::string& patchFolder) {
    std::string passwordSwitch = "-p" + password;
    if (password.find_first_of(" \t") != std::string::npos) {
        passwordSwitch = "\"" + passwordSwitch + "\"";
    }
    return "\"" + archiver + "\" a " + passwordSwitch + " \"" + archive + "\" \"" +
           EnsureTrailingBackslash(patchFolder) + "*\"";
}

void GenerateUpdateArchive(const std::string& patchFolder, const std::string& password,
                           InteractionServices& services) {
    GenerateUpdateArchive(patchFolder, password, services, DefaultArchiverPath());
}

void GenerateUpdateArchive(const std::string& patchFolder, const std::string& password,
                           InteractionServices& services, const std::string& archiverPath) {
    CheckInputs(patchFolder, password);
    const std::string archiver = LocateArchiver(archiverPath, services);
    const std::string chosen =
        services.ChooseFile("Upd файлове|*.upd", "Изберете път за запис на update архива");
    if (chosen.empty()) {
        return;
    }
    ArchiveInto(archiver, password, WithUpdExtension(chosen), patchFolder);
    services.ShowInfo(kDone);
}

}  // namespace upd

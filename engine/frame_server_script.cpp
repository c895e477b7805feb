#include "engine/frame_server_script.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/fd_io.h"
#include "platform/text_rules.h"
#include "platform/unique_fd.h"

namespace morvane::engine {

namespace {

using platform::equalsNoCase;

// The plug-in is named relative to the program directory, where the frame server looks for it.
constexpr std::string_view kPluginLine = "LoadPlugin(\"plugin/DirectShowSource.dll\")\n";
constexpr std::string_view kReturnLine = "return last";

// Extensions the converter reads directly.
constexpr std::string_view kDirectExtensions[] = {
    ".swf", ".flv", ".vob",  ".vro",  ".wmv",  ".rm",  ".rmvb", ".mp4", ".vbo",
    ".m4v", ".ra",  ".h264", ".h261", ".h263", ".mpg", ".avi",  ".3gp", ".mpeg",
};

std::string_view extensionOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

} // namespace

ScriptKind frameServerScriptKind(std::string_view sourcePath) {
    const std::string_view extension = extensionOf(sourcePath);
    if (equalsNoCase(extension, ".asf") || equalsNoCase(extension, ".ram")) {
        return ScriptKind::ConvertedFrameRate;
    }
    if (equalsNoCase(extension, ".mov")) {
        return ScriptKind::StatedFrameRate;
    }
    for (const std::string_view direct : kDirectExtensions) {
        if (equalsNoCase(extension, direct)) {
            return ScriptKind::None;
        }
    }
    return ScriptKind::SourceFrameRate;
}

std::string frameServerScriptText(ScriptKind kind, std::string_view sourcePath) {
    std::string text(kPluginLine);
    text += "DirectShowSource(\"";
    text += sourcePath;
    switch (kind) {
    case ScriptKind::ConvertedFrameRate:
        text += "\", fps=23.976, convertfps=true )\n";
        break;
    case ScriptKind::StatedFrameRate:
        text += "\", fps=23.976, convertfps=false )\n";
        break;
    case ScriptKind::SourceFrameRate:
    case ScriptKind::None:
        text += "\")\n";
        break;
    }
    text += kReturnLine;
    return text;
}

platform::Expected<void> FrameServerScriptLock::acquire(const std::string& scriptPath,
                                                        std::chrono::milliseconds longest) {
    if (held()) {
        return {};
    }
    const auto slash = scriptPath.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : scriptPath.substr(0, slash == 0 ? 1 : slash);
    const auto fail = [&](const std::string& why) {
        return platform::Failure{"cannot have the frame-server script \"" + scriptPath +
                                 "\" to itself: " + why};
    };
    platform::UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) {
        return fail(std::strerror(errno));
    }
    const auto deadline = std::chrono::steady_clock::now() + longest;
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return fail(std::strerror(errno));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return fail("another conversion has held it for too long");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_folder = std::move(fd);
    return {};
}

void FrameServerScriptLock::release() {
    // Closing the only descriptor of this open folder drops the lock.
    m_folder = platform::UniqueFd();
}

platform::Expected<ScriptOutcome> writeFrameServerScript(const std::string& scriptPath,
                                                         std::string_view sourcePath) {
    const ScriptKind kind = frameServerScriptKind(sourcePath);
    if (kind == ScriptKind::None || sourcePath.find_first_of("\r\n") != std::string_view::npos) {
        return ScriptOutcome::ReadDirectly;
    }
    const std::string text = frameServerScriptText(kind, sourcePath);
    const auto fail = [&](int code) {
        code = code != 0 ? code : EIO;
        return platform::Failure{"cannot write the frame-server script \"" + scriptPath +
                                 "\": " + std::strerror(code)};
    };
    // Written beside the script and renamed over it: whatever lies there (a named pipe, a link to
    // another file) is replaced rather than written through, and a reader never sees half a script.
    std::string temporary = scriptPath + ".XXXXXX";
    const platform::UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid()) {
        return fail(errno);
    }
    const auto discard = [&](int code) {
        ::unlink(temporary.c_str());
        return fail(code);
    };
    if (!platform::writeAll(fd.get(), text)) {
        return discard(errno);
    }
    if (::fchmod(fd.get(), 0644) != 0 || ::rename(temporary.c_str(), scriptPath.c_str()) != 0) {
        return discard(errno);
    }
    return ScriptOutcome::Written;
}

} // namespace morvane::engine

#pragma once
// A Wine session for the tests of the Windows programs: a private Xvfb, the build tree's
// Wine prefix (made once, reused, with a virtual desktop, Wine's fonts and the Japanese font
// replacement), and the ways a test drives the programs: run one to its end, start one in the
// background, find a window by its class and title, post WM_CLOSE to it, and read the screen.
//
// The Windows programs are taken from the directory named by QUORVA_WINDOWS_BIN_DIR; every
// test starts with QUORVA_WINE_SESSION_OR_SKIP, so that without it the tests skip at once.
// Sessions of one prefix take turns (a lock file), since a prefix has one Wine server.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorva::testing {

using WineEnvironment = std::map<std::string, std::string>;

struct WineResult {
    int exitCode = -1;  // -1000: still running at the time limit (then killed)
    std::string output;
    std::string errors;
};

// A program started in the background; killed with its session if it still runs.
class WineProcess {
public:
    WineProcess(int pid, std::filesystem::path outputFile, std::filesystem::path errorFile);
    ~WineProcess();
    WineProcess(const WineProcess&) = delete;
    WineProcess& operator=(const WineProcess&) = delete;

    bool running();
    // Its exit code once it has ended within the limit, else -1000.
    int wait(std::chrono::milliseconds limit);
    void kill();
    std::string output() const;
    std::string errors() const;

private:
    int pid_ = -1;
    int exitCode_ = -1000;
    std::filesystem::path outputFile_;
    std::filesystem::path errorFile_;
};

// A top-level window found through the window probe; the client rectangle in the
// coordinates of the X screen.
struct WineWindow {
    uint64_t handle = 0;
    int clientLeft = 0;
    int clientTop = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    uint32_t classStyle = 0;
};

struct ScreenRgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const ScreenRgb&) const = default;
};

// The X screen as 8-bit RGB.
struct ScreenPixels {
    int width = 0;
    int height = 0;
    std::vector<ScreenRgb> pixels;
    ScreenRgb at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Writes it as a binary PPM (for a failing test's evidence or the docs' pictures).
    bool writePpm(const std::filesystem::path& path, int left, int top, int width, int height) const;
};

class WineSession {
public:
    // The directory of the Windows programs, empty when QUORVA_WINDOWS_BIN_DIR is unset.
    static std::filesystem::path programDirectory();

    WineSession();
    ~WineSession();
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;

    // False when the X server or the prefix could not be made; `failure` says why.
    bool ready() const { return failure_.empty(); }
    const std::string& failure() const { return failure_; }

    // A directory of the session's own, removed with it.
    const std::filesystem::path& scratch() const { return scratch_; }
    const std::string& display() const { return display_; }
    const std::filesystem::path& prefix() const { return prefix_; }
    // The environment Wine programs run with; tests may add to it (an empty value removes).
    void setEnvironment(const std::string& name, const std::string& value);
    const WineEnvironment& environment() const { return environment_; }

    // Copies the named files of the program directory into a directory of the session
    // (made on the first call) and gives its path, so that a test runs its own copy.
    std::filesystem::path installCopy(const std::vector<std::string>& files, const std::string& name = "app");
    // The Windows path of a host path (drive Z: is the root directory).
    static std::string windowsPath(const std::filesystem::path& hostPath);

    // Runs a Windows program (a host path of an .exe) to its end.
    WineResult run(const std::vector<std::string>& arguments, std::chrono::milliseconds limit = std::chrono::seconds(60));
    // `wrapper` runs first and execs the rest (e.g. unshare for a private mount namespace).
    std::unique_ptr<WineProcess> start(const std::vector<std::string>& arguments, const std::string& name = "program",
                                       const std::vector<std::string>& wrapper = {});
    // Runs a native program (Xlib helpers, xdotool) with the session's DISPLAY.
    WineResult runNative(const std::vector<std::string>& arguments, std::chrono::milliseconds limit = std::chrono::seconds(30));

    // Waits until a visible top-level window of the class (and the title, unless empty) exists.
    std::optional<WineWindow> findWindow(const std::string& className, const std::string& title,
                                         std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Posts WM_CLOSE to that window from another process; true when the window was there.
    bool postClose(const std::string& className, const std::string& title);
    // The whole X screen.
    ScreenPixels screenshot() const;
    // Moves the X pointer to a point of the screen; clicks the left button there (xdotool).
    bool movePointer(int x, int y);
    bool click(int x, int y);
    // The host directory of the Windows user's %APPDATA% in the prefix; its "quorva" folder is
    // removed when a session starts and ends.
    std::filesystem::path applicationData() const;

private:
    bool startDisplay();
    bool preparePrefix();
    std::filesystem::path probe() const;

    std::string failure_;
    std::filesystem::path scratch_;
    std::filesystem::path prefix_;
    std::string display_;
    int displayPid_ = -1;
    int sessionLock_ = -1;
    WineEnvironment environment_;
};

}  // namespace quorva::testing

// Declares `session` in a test, or skips the test where no Windows programs are named.
#define QUORVA_WINE_SESSION_OR_SKIP(session)                                                   \
    if (::quorva::testing::WineSession::programDirectory().empty()) {                         \
        GTEST_SKIP() << "QUORVA_WINDOWS_BIN_DIR is not set";                                  \
    }                                                                                          \
    ::quorva::testing::WineSession session;                                                   \
    ASSERT_TRUE(session.ready()) << session.failure()

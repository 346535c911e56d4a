#include "wine_session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <fstream>
#include <random>
#include <spawn.h>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace quorva::testing {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Changing what preparePrefix sets up changes this, so that old prefixes are made again.
constexpr const char* kPrefixVersion = "quorva wine prefix 1";
constexpr const char* kScreenSize = "1024x768";
constexpr const char* kWine = "/usr/lib/wine/wine64";
constexpr const char* kWineServer = "/usr/lib/wine/wineserver64";

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int spawnProcess(const std::vector<std::string>& arguments, const WineEnvironment& environment,
                 const fs::path& outputFile, const fs::path& errorFile)
{
    std::vector<std::string> entries;
    for (const auto& [name, value] : environment) {
        entries.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (auto& entry : entries) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> args = arguments;
    std::vector<char*> argv;
    for (auto& argument : args) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int waitForExit(int pid, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return -1000;
        }
        std::this_thread::sleep_for(5ms);
    }
}

WineResult runToEnd(const std::vector<std::string>& arguments, const WineEnvironment& environment,
                    const fs::path& stem, std::chrono::milliseconds limit)
{
    WineResult result;
    const fs::path output = stem.string() + ".out";
    const fs::path errors = stem.string() + ".err";
    const int pid = spawnProcess(arguments, environment, output, errors);
    if (pid < 0) {
        result.errors = "cannot start " + arguments.front();
        return result;
    }
    result.exitCode = waitForExit(pid, limit);
    if (result.exitCode == -1000) {
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    result.output = readFile(output);
    result.errors = readFile(errors);
    return result;
}

// UTF-16LE with a byte order mark, as regedit reads Unicode .reg files.
std::string utf16le(const std::string& utf8)
{
    std::string out = "\xFF\xFE";
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        uint32_t code = lead;
        size_t length = 1;
        if (lead >= 0xE0) {
            code = lead & 0x0F;
            length = 3;
        } else if (lead >= 0xC0) {
            code = lead & 0x1F;
            length = 2;
        }
        for (size_t k = 1; k < length && i + k < utf8.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += length;
        out += static_cast<char>(code & 0xFF);
        out += static_cast<char>(code >> 8);
    }
    return out;
}

// What the tests need of the prefix: a virtual desktop (a window closes in milliseconds, not
// the two seconds it takes without a window manager), no crash dialog, and the Japanese face
// names the program asks for mapped to the IPA fonts that fontconfig has.
std::string prefixRegistry()
{
    return std::string("Windows Registry Editor Version 5.00\r\n\r\n") +
           "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n\"Desktop\"=\"Default\"\r\n\r\n" +
           "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n\"Default\"=\"" + kScreenSize + "\"\r\n\r\n" +
           "[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n\"ShowCrashDialog\"=dword:00000000\r\n\r\n" +
           "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n" +
           "\"\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF\"=\"IPAPGothic\"\r\n" +
           "\"\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF\"=\"IPAGothic\"\r\n" +
           "\"MS PGothic\"=\"IPAPGothic\"\r\n\"MS Gothic\"=\"IPAGothic\"\r\n\r\n";
}

// The origin of the Wine desktop's X window on the screen (0,0 when it is not found).
void desktopOrigin(Display* display, Window window, Window root, int& x, int& y, bool& found)
{
    char* name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        const std::string title = name;
        XFree(name);
        if (title.ends_with(" - Wine desktop")) {
            Window child = 0;
            XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
            found = true;
            return;
        }
    }
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &rootReturn, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count && !found; ++i) {
            desktopOrigin(display, children[i], root, x, y, found);
        }
        if (children != nullptr) {
            XFree(children);
        }
    }
}

}  // namespace

WineProcess::WineProcess(int pid, fs::path outputFile, fs::path errorFile)
    : pid_(pid), outputFile_(std::move(outputFile)), errorFile_(std::move(errorFile))
{
}

WineProcess::~WineProcess() { kill(); }

bool WineProcess::running() { return wait(0ms) == -1000; }

int WineProcess::wait(std::chrono::milliseconds limit)
{
    if (exitCode_ == -1000 && pid_ > 0) {
        exitCode_ = waitForExit(pid_, limit);
    }
    return exitCode_;
}

void WineProcess::kill()
{
    if (pid_ > 0 && wait(0ms) == -1000) {
        ::kill(pid_, SIGKILL);
        waitForExit(pid_, 5s);
        exitCode_ = 128 + SIGKILL;
    }
}

std::string WineProcess::output() const { return readFile(outputFile_); }
std::string WineProcess::errors() const { return readFile(errorFile_); }

bool ScreenPixels::writePpm(const fs::path& path, int left, int top, int width, int height) const
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            const ScreenRgb pixel = at(x, y);
            out.put(static_cast<char>(pixel.red)).put(static_cast<char>(pixel.green)).put(static_cast<char>(pixel.blue));
        }
    }
    return static_cast<bool>(out);
}

fs::path WineSession::programDirectory()
{
    const char* directory = std::getenv("QUORVA_WINDOWS_BIN_DIR");
    return directory != nullptr && *directory != '\0' ? fs::absolute(directory) : fs::path();
}

WineSession::WineSession()
{
    std::random_device seed;
    scratch_ = fs::temp_directory_path() / ("quorva-wine-" + std::to_string(seed()) + std::to_string(seed()));
    fs::create_directories(scratch_ / "home");
    prefix_ = programDirectory().parent_path() / "wine-prefix";
    for (const char* name : {"PATH", "LANG", "TMPDIR"}) {
        if (const char* value = std::getenv(name)) {
            environment_[name] = value;
        }
    }
    environment_["WINEPREFIX"] = prefix_.string();
    environment_["WINEARCH"] = "win64";
    environment_["WINEDEBUG"] = "-all";
    environment_["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winemenubuilder.exe=d";
    environment_["HOME"] = (scratch_ / "home").string();
    if (!startDisplay()) {
        return;
    }
    environment_["DISPLAY"] = display_;
    if (preparePrefix()) {
        std::error_code ignored;
        fs::remove_all(applicationData() / "quorva", ignored);
    }
}

WineSession::~WineSession()
{
    if (sessionLock_ >= 0) {
        // Ends every program of the prefix, so that the next session's Wine server starts on
        // its own display.
        runToEnd({kWineServer, "-k"}, environment_, scratch_ / "wineserver-kill", 10s);
        runToEnd({kWineServer, "-w"}, environment_, scratch_ / "wineserver-wait", 10s);
        std::error_code ignored;
        fs::remove_all(applicationData() / "quorva", ignored);
        close(sessionLock_);
    }
    if (displayPid_ > 0) {
        ::kill(displayPid_, SIGTERM);
        if (waitForExit(displayPid_, 5s) == -1000) {
            ::kill(displayPid_, SIGKILL);
            waitForExit(displayPid_, 5s);
        }
    }
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
}

bool WineSession::startDisplay()
{
    const fs::path numberFile = scratch_ / "xvfb.out";
    displayPid_ = spawnProcess({"Xvfb", "-displayfd", "1", "-screen", "0", std::string(kScreenSize) + "x24", "-nolisten", "tcp"},
                               environment_, numberFile, scratch_ / "xvfb.err");
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string text = readFile(numberFile);
        if (text.find('\n') != std::string::npos) {
            display_ = ":" + text.substr(0, text.find('\n'));
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    failure_ = "Xvfb did not start: " + readFile(scratch_ / "xvfb.err");
    return false;
}

bool WineSession::preparePrefix()
{
    const fs::path lockFile = prefix_.string() + ".lock";
    sessionLock_ = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (sessionLock_ < 0 || flock(sessionLock_, LOCK_EX) != 0) {
        failure_ = "cannot lock " + lockFile.string();
        return false;
    }
    // A Wine server left by a session that did not end (a killed test) serves another display.
    runToEnd({kWineServer, "-k"}, environment_, scratch_ / "wineserver-stale", 10s);
    runToEnd({kWineServer, "-w"}, environment_, scratch_ / "wineserver-stale-wait", 10s);
    const fs::path marker = prefix_ / "quorva-prefix.txt";
    if (readFile(marker) == kPrefixVersion) {
        return true;
    }
    std::error_code ignored;
    fs::remove_all(prefix_, ignored);
    const WineResult boot = runToEnd({kWine, "wineboot", "--init"}, environment_, scratch_ / "wineboot", 180s);
    runToEnd({kWineServer, "-w"}, environment_, scratch_ / "wineserver-boot", 60s);
    if (boot.exitCode != 0 || !fs::exists(prefix_ / "system.reg")) {
        failure_ = "wineboot --init failed: " + boot.errors;
        return false;
    }
    // Debian's Wine does not find its own fonts; the prefix's font directory does.
    const fs::path fonts = prefix_ / "drive_c" / "windows" / "Fonts";
    fs::create_directories(fonts);
    for (const auto& entry : fs::directory_iterator("/usr/share/wine/fonts")) {
        fs::copy_file(entry.path(), fonts / entry.path().filename(), fs::copy_options::overwrite_existing, ignored);
    }
    const fs::path registry = scratch_ / "quorva.reg";
    std::ofstream(registry, std::ios::binary) << utf16le(prefixRegistry());
    const WineResult imported = runToEnd({kWine, "regedit", "/S", windowsPath(registry)}, environment_, scratch_ / "regedit", 60s);
    runToEnd({kWineServer, "-w"}, environment_, scratch_ / "wineserver-regedit", 60s);
    if (imported.exitCode != 0) {
        failure_ = "regedit failed: " + imported.errors;
        return false;
    }
    std::ofstream(marker) << kPrefixVersion;
    return true;
}

void WineSession::setEnvironment(const std::string& name, const std::string& value)
{
    if (value.empty()) {
        environment_.erase(name);
    } else {
        environment_[name] = value;
    }
}

fs::path WineSession::installCopy(const std::vector<std::string>& files, const std::string& name)
{
    const fs::path directory = scratch_ / name;
    fs::create_directories(directory);
    for (const auto& file : files) {
        fs::copy_file(programDirectory() / file, directory / file, fs::copy_options::overwrite_existing);
    }
    return directory;
}

std::string WineSession::windowsPath(const fs::path& hostPath)
{
    std::string path = "Z:" + fs::absolute(hostPath).string();
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

WineResult WineSession::run(const std::vector<std::string>& arguments, std::chrono::milliseconds limit)
{
    static int counter = 0;
    std::vector<std::string> command = {kWine};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runToEnd(command, environment_, scratch_ / ("run" + std::to_string(++counter)), limit);
}

std::unique_ptr<WineProcess> WineSession::start(const std::vector<std::string>& arguments, const std::string& name,
                                                const std::vector<std::string>& wrapper)
{
    std::vector<std::string> command = wrapper;
    command.push_back(kWine);
    command.insert(command.end(), arguments.begin(), arguments.end());
    const fs::path output = scratch_ / (name + ".out");
    const fs::path errors = scratch_ / (name + ".err");
    return std::make_unique<WineProcess>(spawnProcess(command, environment_, output, errors), output, errors);
}

WineResult WineSession::runNative(const std::vector<std::string>& arguments, std::chrono::milliseconds limit)
{
    static int counter = 0;
    return runToEnd(arguments, environment_, scratch_ / ("native" + std::to_string(++counter)), limit);
}

fs::path WineSession::probe() const { return programDirectory() / "window-probe.exe"; }

std::optional<WineWindow> WineSession::findWindow(const std::string& className, const std::string& title,
                                                  std::chrono::milliseconds limit)
{
    const WineResult found =
        run({probe().string(), "find", className, title, std::to_string(limit.count())}, limit + 30s);
    WineWindow window;
    unsigned long long handle = 0;
    unsigned long classStyle = 0;
    if (found.exitCode != 0 || std::sscanf(found.output.c_str(), "%llu %d %d %d %d %lu", &handle, &window.clientLeft,
                                           &window.clientTop, &window.clientWidth, &window.clientHeight, &classStyle) != 6) {
        return std::nullopt;
    }
    window.handle = handle;
    window.classStyle = static_cast<uint32_t>(classStyle);
    // The probe gives desktop coordinates; the desktop is a window of the X screen.
    if (Display* x = XOpenDisplay(display_.c_str())) {
        int originX = 0;
        int originY = 0;
        bool desktopFound = false;
        desktopOrigin(x, DefaultRootWindow(x), DefaultRootWindow(x), originX, originY, desktopFound);
        window.clientLeft += originX;
        window.clientTop += originY;
        XCloseDisplay(x);
    }
    return window;
}

bool WineSession::movePointer(int x, int y)
{
    return runNative({"xdotool", "mousemove", std::to_string(x), std::to_string(y)}).exitCode == 0;
}

bool WineSession::click(int x, int y)
{
    // Held for a moment, so that a frame sees the button down and the next one sees it up.
    return movePointer(x, y) && runNative({"xdotool", "sleep", "0.2", "mousedown", "1", "sleep", "0.2", "mouseup", "1"}).exitCode == 0;
}

fs::path WineSession::applicationData() const
{
    const passwd* user = getpwuid(geteuid());
    const std::string name = user != nullptr ? user->pw_name : "root";
    return prefix_ / "drive_c" / "users" / name / "AppData" / "Roaming";
}

bool WineSession::postClose(const std::string& className, const std::string& title)
{
    return run({probe().string(), "close", className, title}).exitCode == 0;
}

ScreenPixels WineSession::screenshot() const
{
    ScreenPixels screen;
    Display* x = XOpenDisplay(display_.c_str());
    if (x == nullptr) {
        return screen;
    }
    const Window root = DefaultRootWindow(x);
    XWindowAttributes attributes{};
    XGetWindowAttributes(x, root, &attributes);
    XImage* image = XGetImage(x, root, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image != nullptr) {
        screen.width = attributes.width;
        screen.height = attributes.height;
        screen.pixels.resize(static_cast<size_t>(screen.width) * screen.height);
        for (int y = 0; y < screen.height; ++y) {
            for (int column = 0; column < screen.width; ++column) {
                const unsigned long pixel = XGetPixel(image, column, y);
                screen.pixels[static_cast<size_t>(y) * screen.width + column] = {
                    static_cast<uint8_t>((pixel & image->red_mask) >> 16), static_cast<uint8_t>((pixel & image->green_mask) >> 8),
                    static_cast<uint8_t>(pixel & image->blue_mask)};
            }
        }
        XDestroyImage(image);
    }
    XCloseDisplay(x);
    return screen;
}

}  // namespace quorva::testing

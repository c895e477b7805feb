// A stand-in for the converter "vec", started by the engine tests under that name in a temporary
// program directory. It records its arguments and working directory there and follows the script
// "vec-script.txt" beside it, one command a line:
//   chunk N        following "out" texts are written N bytes at a time, each piece only once the
//                  reader has drained the previous one (0: all at once)
//   out TEXT       writes TEXT; \n \r \t \\ \0 and \xHH are escapes
//   lines N TEXT   writes N lines "TEXT<i>\n" as fast as the pipe takes them
//   longline N     writes a line of N letters and a line feed
//   text N         writes N letters without a line feed
//   waitq          reads standard input until "q" and nine more bytes arrived (or it ends), and
//                  stores what came in "vec-stdin.bin"; gives up after 30 seconds
//   sleep MS
//   closeout       closes standard output and error
//   writelast TEXT writes TEXT into the file the last argument names (the output), except when
//                  the converter was asked for "-info"
//   exit N         ends with exit code N (the default at the end of the script is 0)
//   kill           ends by SIGKILL
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string g_dir;
std::size_t g_chunk = 0;

std::string besideMe(const std::string& name) {
    return g_dir + name;
}

void writeAll(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            std::_Exit(90);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

// Waits until the reader has taken everything out of the pipe, so the next write is a read of its own.
void waitDrained() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int pending = 0;
    while (::ioctl(STDOUT_FILENO, FIONREAD, &pending) == 0 && pending > 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char c = text[++i];
        switch (c) {
        case 'n':
            out.push_back('\n');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case 't':
            out.push_back('\t');
            break;
        case '0':
            out.push_back('\0');
            break;
        case 'x':
            out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

void out(const std::string& text) {
    if (g_chunk == 0) {
        writeAll(text.data(), text.size());
        return;
    }
    for (std::size_t pos = 0; pos < text.size(); pos += g_chunk) {
        const std::size_t n = std::min(g_chunk, text.size() - pos);
        writeAll(text.data() + pos, n);
        waitDrained();
    }
}

void waitForQuit() {
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::size_t needed = 0; // bytes still expected after the "q"
    bool sawQuit = false;
    while (std::chrono::steady_clock::now() < deadline && !(sawQuit && needed == 0)) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (::poll(&input, 1, 100) <= 0) {
            continue;
        }
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n <= 0) {
            break;
        }
        received.push_back(c);
        if (sawQuit) {
            --needed;
        } else if (c == 'q') {
            sawQuit = true;
            needed = 9;
        }
    }
    std::ofstream(besideMe("vec-stdin.bin"), std::ios::binary) << received;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    const std::string self = argv[0];
    const std::size_t slash = self.rfind('/');
    g_dir = slash == std::string::npos ? std::string("./") : self.substr(0, slash + 1);

    {
        std::ofstream args(besideMe("vec-args.txt"), std::ios::binary);
        for (int i = 1; i < argc; ++i) {
            args << argv[i] << '\n';
        }
        // Every run's arguments too: a batch may start the converter again (to read an output) after the
        // conversion whose arguments a test wants.
        std::ofstream all(besideMe("vec-args-all.txt"), std::ios::binary | std::ios::app);
        for (int i = 1; i < argc; ++i) {
            all << argv[i] << '\n';
        }
        char cwd[4096];
        std::ofstream(besideMe("vec-cwd.txt"), std::ios::binary) << (::getcwd(cwd, sizeof cwd) ? cwd : "?");
    }

    std::ifstream script(besideMe("vec-script.txt"), std::ios::binary);
    std::string line;
    while (std::getline(script, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        std::string rest;
        if (line.size() > command.size() + 1) {
            rest = line.substr(command.size() + 1);
        }
        if (command == "chunk") {
            g_chunk = std::stoul(rest);
        } else if (command == "out") {
            out(unescape(rest));
        } else if (command == "lines") {
            std::size_t count = 0;
            words >> count;
            std::string text;
            std::getline(words >> std::ws, text);
            std::string block;
            for (std::size_t i = 0; i < count; ++i) {
                block += text + std::to_string(i) + "\n";
                if (block.size() > 60000) {
                    writeAll(block.data(), block.size());
                    block.clear();
                }
            }
            writeAll(block.data(), block.size());
        } else if (command == "longline") {
            const std::string text(std::stoul(rest), 'x');
            out(text + "\n");
        } else if (command == "text") {
            const std::string text(std::stoul(rest), 'y');
            writeAll(text.data(), text.size());
        } else if (command == "waitq") {
            waitForQuit();
        } else if (command == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(rest)));
        } else if (command == "closeout") {
            ::close(STDOUT_FILENO);
            ::close(STDERR_FILENO);
        } else if (command == "writelast") {
            bool probe = false;
            for (int i = 1; i < argc; ++i) {
                probe = probe || std::string(argv[i]) == "-info";
            }
            if (!probe && argc > 1) {
                std::ofstream(argv[argc - 1], std::ios::binary) << unescape(rest);
            }
        } else if (command == "exit") {
            return std::stoi(rest);
        } else if (command == "kill") {
            ::kill(::getpid(), SIGKILL);
        }
    }
    return 0;
}

// qndiag-sim: the simulated ECU on a pseudo-terminal. The tool (or a fitter's copy of it in a
// training room) opens the printed device as if it were the serial adapter of a real ECU.

#include "EcuModel.h"
#include "EcuResponder.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace qn::sim;

namespace {

const char *const HelpText = R"(Usage: qndiag-sim [options]

Serves a simulated gas-injection ECU on a pseudo-terminal. When ready it prints one line,
"pty <path>", on standard output; open that device (or the --link path) as the serial port.
The ECU answers every request of the wire protocol: identity, car number, configuration
memory (changed by configuration writes that follow a write enable), fuel-mode switching, the
software level sensor, and live data of an engine running a repeating drive cycle (idle and
warm-up on petrol, automatic switch to gas once the vaporizer is warm, acceleration, cruise,
overrun with fuel cut-off, idle).

Options:
  --help               Show this text and exit.
  --link PATH          Also create a symbolic link PATH to the pseudo-terminal (an old symbolic
                       link there is replaced; it is removed at exit).
  --no-pacing          Answer at once, without the wire time of a 9600-baud line.
  --baud N             Pace requests and answers as on an N-baud 8N1 line (default 9600: about
                       1.04 ms a byte).
  --seed N             Seed of the engine's small variations and of the noise fault (default 1).
  --protocol N         Protocol byte of the identity answer (default 14; below 10 is an ECU
                       too old for the tool).
  --version-text T     Firmware version text, 4 characters (default 4.35; 4.31 .. 4.99 use the
                       sensor-factor pressure calibration, others the 1-bar scale).
  --cycle SECONDS      Length of the drive cycle (default 120).
  --drop N             Lose the next N answers.
  --corrupt N          Send the next N answers with a wrong checksum.
  --silent-after N     Stop answering after N live-data answers (until "resume").
  --hangup-after N     Hang up the line (and exit) after N live-data answers.
  --noise P            Put 1..4 random bytes ahead of an answer with probability P (0 .. 1).
  --delay MS           Wait MS milliseconds more before each answer.

Commands on standard input, one a line:
  silent               Stop answering.
  resume               Answer again.
  drop N               Lose the next N answers.
  corrupt N            Corrupt the checksum of the next N answers.
  noise P              Noise probability P (0 .. 1).
  delay MS             Extra delay before each answer.
  hangup               Hang up the line and exit.
  quit                 Exit.
Each command that took effect is acknowledged with "ok <command>" on standard error.
End of input does not stop the simulator; "quit", "hangup", SIGINT or SIGTERM do.
)";

int64_t monoNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void sleepUntilNs(int64_t ns)
{
    timespec ts{};
    ts.tv_sec = time_t(ns / 1000000000);
    ts.tv_nsec = long(ns % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 'S';
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

bool parseInt(const std::string &s, long long min, long long max, long long &out)
{
    if (s.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max)
        return false;
    out = v;
    return true;
}

bool parseProbability(const std::string &s, double &out)
{
    if (s.empty())
        return false;
    char *end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (*end != '\0' || !(v >= 0.0 && v <= 1.0))
        return false;
    out = v;
    return true;
}

// Sends answer bytes to the master side at the moments their stop bits would end on the wire.
class PacedWriter {
public:
    struct Job {
        QByteArray bytes;
        int64_t startNs; // the first byte starts on the wire here
        bool hangupAfter;
    };

    PacedWriter(int fd, int64_t byteNs, bool pacing, int notifyFd)
        : m_fd(fd), m_byteNs(byteNs), m_pacing(pacing), m_notifyFd(notifyFd), m_thread([this] { run(); })
    {
    }
    ~PacedWriter()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
            ++m_generation;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    void push(Job job)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_jobs.push_back(std::move(job));
        }
        m_cv.notify_all();
    }
    // Forgets what is queued and stops the answer being sent (the tool closed the port).
    void cancel()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const Job &j : m_jobs)
                m_hangupCancelled = m_hangupCancelled || j.hangupAfter;
            m_jobs.clear();
            ++m_generation;
        }
        m_cv.notify_all();
    }

private:
    void notifyHangup()
    {
        const char c = 'H';
        [[maybe_unused]] ssize_t n = ::write(m_notifyFd, &c, 1);
    }
    void writeBytes(const char *data, size_t n)
    {
        // Nobody reading and the queue full: the bytes are lost, as on an unplugged line.
        while (n > 0) {
            const ssize_t w = ::write(m_fd, data, n);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return;
            data += w;
            n -= size_t(w);
        }
    }
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_cv.wait(lock, [this] { return m_stop || !m_jobs.empty() || m_hangupCancelled; });
            if (m_stop)
                return;
            if (m_hangupCancelled) {
                m_hangupCancelled = false;
                notifyHangup();
                continue;
            }
            Job job = std::move(m_jobs.front());
            m_jobs.pop_front();
            const uint64_t generation = m_generation;
            const auto start = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(job.startNs));
            m_cv.wait_until(lock, start, [&] { return m_stop || m_generation != generation; });
            if (m_stop)
                return;
            if (m_generation == generation) {
                lock.unlock();
                if (!m_pacing) {
                    writeBytes(job.bytes.constData(), size_t(job.bytes.size()));
                } else {
                    for (qsizetype i = 0; i < job.bytes.size(); ++i) {
                        sleepUntilNs(job.startNs + int64_t(i + 1) * m_byteNs);
                        if (m_generation.load() != generation)
                            break;
                        writeBytes(job.bytes.constData() + i, 1);
                    }
                }
                lock.lock();
            }
            if (job.hangupAfter)
                notifyHangup();
        }
    }

    int m_fd;
    int64_t m_byteNs;
    bool m_pacing;
    int m_notifyFd;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Job> m_jobs;
    std::atomic<uint64_t> m_generation{0};
    bool m_stop = false;
    bool m_hangupCancelled = false;
    std::thread m_thread;
};

struct Options {
    std::string link;
    bool pacing = true;
    long long baud = 9600;
    long long seed = 1;
    long long protocol = 14;
    std::string version = "4.35";
    long long cycle = 120;
    FaultPlan plan;
};

int usageError(const std::string &what)
{
    std::fprintf(stderr, "qndiag-sim: %s (see --help)\n", what.c_str());
    return 2;
}

// Returns -1 when the options are fine, otherwise the exit code.
int parseOptions(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        auto number = [&](long long min, long long max, long long &out) {
            std::string v;
            return value(v) && parseInt(v, min, max, out);
        };
        long long n = 0;
        std::string v;
        if (arg == "--help" || arg == "-h") {
            std::fputs(HelpText, stdout);
            return 0;
        } else if (arg == "--link") {
            if (!value(o.link) || o.link.empty())
                return usageError("--link needs a path");
        } else if (arg == "--no-pacing") {
            o.pacing = false;
        } else if (arg == "--baud") {
            if (!number(50, 4000000, o.baud))
                return usageError("--baud needs a rate from 50 to 4000000");
        } else if (arg == "--seed") {
            if (!number(0, UINT32_MAX, o.seed))
                return usageError("--seed needs a number from 0 to 4294967295");
        } else if (arg == "--protocol") {
            if (!number(0, 255, o.protocol))
                return usageError("--protocol needs a byte value 0 .. 255");
        } else if (arg == "--version-text") {
            if (!value(o.version) || o.version.empty() || o.version.size() > 4)
                return usageError("--version-text needs a text of up to 4 characters");
        } else if (arg == "--cycle") {
            if (!number(10, 3600, o.cycle))
                return usageError("--cycle needs 10 .. 3600 seconds");
        } else if (arg == "--drop") {
            if (!number(0, INT_MAX, n))
                return usageError("--drop needs a count");
            o.plan.dropAnswers = int(n);
        } else if (arg == "--corrupt") {
            if (!number(0, INT_MAX, n))
                return usageError("--corrupt needs a count");
            o.plan.corruptAnswers = int(n);
        } else if (arg == "--silent-after") {
            if (!number(0, INT_MAX, n))
                return usageError("--silent-after needs a count");
            o.plan.silentAfterLive = int(n);
        } else if (arg == "--hangup-after") {
            if (!number(0, INT_MAX, n))
                return usageError("--hangup-after needs a count");
            o.plan.hangupAfterLive = int(n);
        } else if (arg == "--noise") {
            if (!value(v) || !parseProbability(v, o.plan.noiseProbability))
                return usageError("--noise needs a probability 0 .. 1");
        } else if (arg == "--delay") {
            if (!number(0, 600000, n))
                return usageError("--delay needs milliseconds 0 .. 600000");
            o.plan.delayMs = int(n);
        } else {
            return usageError("unknown option " + arg);
        }
    }
    return -1;
}

// Applies one line of the run-time control. Returns false when the simulator is to end: "quit" and
// "hangup" both close the line, the tool sees it go away.
bool runCommand(const std::string &line, EcuResponder &ecu)
{
    std::string word, arg;
    {
        size_t p = line.find_first_not_of(" \t\r");
        size_t q = line.find_first_of(" \t\r", p);
        if (p == std::string::npos)
            return true;
        word = line.substr(p, q == std::string::npos ? std::string::npos : q - p);
        if (q != std::string::npos) {
            p = line.find_first_not_of(" \t\r", q);
            if (p != std::string::npos) {
                q = line.find_first_of(" \t\r", p);
                arg = line.substr(p, q == std::string::npos ? std::string::npos : q - p);
            }
        }
    }
    FaultPlan plan = ecu.faults();
    long long n = 0;
    if (word == "quit" || word == "hangup")
        return false;
    if (word == "silent") {
        ecu.goSilent();
    } else if (word == "resume") {
        ecu.resume();
    } else if (word == "drop" && parseInt(arg, 0, INT_MAX, n)) {
        plan.dropAnswers = int(n);
        ecu.setFaults(plan);
    } else if (word == "corrupt" && parseInt(arg, 0, INT_MAX, n)) {
        plan.corruptAnswers = int(n);
        ecu.setFaults(plan);
    } else if (word == "noise" && parseProbability(arg, plan.noiseProbability)) {
        ecu.setFaults(plan);
    } else if (word == "delay" && parseInt(arg, 0, 600000, n)) {
        plan.delayMs = int(n);
        ecu.setFaults(plan);
    } else {
        std::fprintf(stderr, "qndiag-sim: unknown command: %s\n", line.c_str());
        return true;
    }
    // Scripts that drive the simulator wait for this before they go on.
    std::fprintf(stderr, "ok %s\n", word.c_str());
    std::fflush(stderr);
    return true;
}

bool linkPointsTo(const std::string &link, const std::string &target)
{
    char buf[PATH_MAX];
    const ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
    if (n < 0)
        return false;
    buf[n] = '\0';
    return target == buf;
}

} // namespace

int main(int argc, char **argv)
{
    Options opt;
    const int parsed = parseOptions(argc, argv, opt);
    if (parsed >= 0)
        return parsed;

    EcuModel model(uint32_t(opt.seed));
    model.setProtocol(uint8_t(opt.protocol));
    model.setVersion(QByteArray::fromStdString(opt.version));
    model.setCycleSeconds(int(opt.cycle));
    EcuResponder ecu(model, uint32_t(opt.seed));
    ecu.setFaults(opt.plan);

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("qndiag-sim: pseudo-terminal");
        return 1;
    }
    char name[128];
    if (ptsname_r(master, name, sizeof name) != 0) {
        std::perror("qndiag-sim: ptsname");
        return 1;
    }
    const std::string ptyPath = name;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);

    // Our own slave descriptor keeps the line up while the tool closes and reopens it, and holds
    // the raw line settings.
    const int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        std::perror("qndiag-sim: open pseudo-terminal");
        return 1;
    }
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tcsetattr(slave, TCSANOW, &tio);
    }

    // Opens and closes by the tool, to drop what belonged to the previous session.
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch >= 0 && inotify_add_watch(watch, name, IN_OPEN | IN_CLOSE) < 0) {
        close(watch);
    }

    if (!opt.link.empty()) {
        struct stat st{};
        if (lstat(opt.link.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                std::fprintf(stderr, "qndiag-sim: %s exists and is not a symbolic link\n", opt.link.c_str());
                return 1;
            }
            unlink(opt.link.c_str());
        }
        if (symlink(name, opt.link.c_str()) != 0) {
            std::perror("qndiag-sim: symlink");
            return 1;
        }
    }

    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("qndiag-sim: pipe");
        return 1;
    }
    int hangupPipe[2];
    if (pipe2(hangupPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("qndiag-sim: pipe");
        return 1;
    }
    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    const int64_t byteNs = 10LL * 1000000000LL / opt.baud;
    int exitCode = 0;
    {
        PacedWriter writer(master, byteNs, opt.pacing, hangupPipe[1]);

        std::printf("pty %s\n", name);
        std::fflush(stdout);

        const int64_t t0 = monoNs();
        int64_t modelMs = 0;
        int64_t lineFreeNs = 0;
        int64_t lastByteNs = 0;
        bool stdinOpen = true;
        bool hangupScheduled = false;
        std::string stdinLine;

        auto advanceModel = [&] {
            const int64_t nowMs = (monoNs() - t0) / 1000000;
            if (nowMs > modelMs) {
                model.advance(int(std::min<int64_t>(nowMs - modelMs, INT32_MAX)));
                modelMs = nowMs;
            }
        };

        for (bool running = true; running;) {
            if (ecu.hangupDue() && !hangupScheduled)
                break; // hung up with nothing left to send
            pollfd fds[5];
            int n = 0;
            fds[n++] = {master, POLLIN, 0};
            fds[n++] = {g_signalPipe[0], POLLIN, 0};
            fds[n++] = {hangupPipe[0], POLLIN, 0};
            const int watchIndex = watch >= 0 ? n : -1;
            if (watch >= 0)
                fds[n++] = {watch, POLLIN, 0};
            const int stdinIndex = stdinOpen ? n : -1;
            if (stdinOpen)
                fds[n++] = {STDIN_FILENO, POLLIN, 0};

            if (poll(fds, nfds_t(n), 100) < 0 && errno != EINTR) {
                std::perror("qndiag-sim: poll");
                exitCode = 1;
                break;
            }
            advanceModel();

            if (fds[1].revents)
                break;
            if (fds[2].revents)
                break; // the last answer before the hang-up has gone out

            if (watchIndex >= 0 && (fds[watchIndex].revents & POLLIN)) {
                alignas(inotify_event) char buf[4096];
                bool sessionChange = false;
                while (read(watch, buf, sizeof buf) > 0)
                    sessionChange = true;
                if (sessionChange) {
                    // A new session starts clean: no half request, no answer meant for the last one.
                    ecu.dropPartial();
                    writer.cancel();
                    tcflush(slave, TCIFLUSH);
                    ioctl(slave, TIOCNXCL);
                }
            }

            if (fds[0].revents & POLLIN) {
                char buf[512];
                for (;;) {
                    const ssize_t r = read(master, buf, sizeof buf);
                    if (r <= 0)
                        break;
                    const int64_t now = monoNs();
                    // A real request arrives in one burst; a fragment left for long is line noise.
                    if (ecu.hasPartial() && now - lastByteNs > 100000000)
                        ecu.dropPartial();
                    lastByteNs = now;
                    const int64_t extraNs = int64_t(ecu.faults().delayMs) * 1000000;
                    const bool hangupBefore = ecu.hangupDue();
                    const std::vector<SimAnswer> answers = ecu.feedFrames(QByteArray(buf, qsizetype(r)));
                    for (size_t i = 0; i < answers.size(); ++i) {
                        const SimAnswer &a = answers[i];
                        int64_t start = now + extraNs + (opt.pacing ? a.requestLength * byteNs : 0);
                        start = std::max(start, lineFreeNs);
                        lineFreeNs = start + (opt.pacing ? int64_t(a.bytes.size()) * byteNs : 0);
                        const bool last = i + 1 == answers.size();
                        const bool hangupAfter = last && !hangupBefore && ecu.hangupDue();
                        hangupScheduled = hangupScheduled || hangupAfter;
                        writer.push({a.bytes, start, hangupAfter});
                    }
                }
            } else if (fds[0].revents & (POLLHUP | POLLERR)) {
                // Cannot happen while our own slave descriptor is open; do not spin if it does.
                usleep(10000);
            }

            if (stdinIndex >= 0 && fds[stdinIndex].revents) {
                char buf[512];
                const ssize_t r = read(STDIN_FILENO, buf, sizeof buf);
                if (r <= 0) {
                    stdinOpen = false; // no more commands; keep serving
                } else {
                    stdinLine.append(buf, size_t(r));
                    size_t nl;
                    while (running && (nl = stdinLine.find('\n')) != std::string::npos) {
                        const std::string line = stdinLine.substr(0, nl);
                        stdinLine.erase(0, nl + 1);
                        running = runCommand(line, ecu);
                    }
                }
            }
        }
    }

    // Let the tool read what was sent before the line goes away.
    for (int waited = 0; waited < 500; waited += 5) {
        int queued = 0;
        if (ioctl(slave, FIONREAD, &queued) != 0 || queued == 0)
            break;
        usleep(5000);
    }
    // Hang up: the tool sees the line go away.
    close(slave);
    close(master);
    if (!opt.link.empty() && linkPointsTo(opt.link, ptyPath))
        unlink(opt.link.c_str());
    return exitCode;
}

// Starts programs in turn on the X display and measures, for each start, the time from exec until
// its window is mapped (MapNotify) and first painted (the first XDamage report on it), and its peak
// resident memory (VmHWM) 300 ms after that paint.
//
// Usage: launchwatch RUNS WARMUP NAME=PROGRAM...
// Run with no window manager, so that the program's windows are children of the root window.

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <signal.h>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

struct Sample
{
    double mappedMs;
    double paintedMs;
    double peakKiB;
};

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double peakResidentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6));
    }
    return 0;
}

// Waits at most until the deadline for the next X event.
bool nextEvent(Display *display, XEvent &event, Clock::time_point deadline)
{
    while (XPending(display) == 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(ConnectionNumber(display), &readable);
        timeval timeout{static_cast<time_t>(left.count() / 1000000),
                        static_cast<suseconds_t>(left.count() % 1000000)};
        select(ConnectionNumber(display) + 1, &readable, nullptr, nullptr, &timeout);
    }
    XNextEvent(display, &event);
    return true;
}

std::optional<Sample> measure(Display *display, int damageEvent, const std::string &program)
{
    const Window root = DefaultRootWindow(display);
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        std::_Exit(127);
    }

    std::optional<Sample> sample;
    std::optional<double> mappedMs;
    Window mapped = None;
    const Clock::time_point deadline = start + std::chrono::seconds(10);
    XEvent event;
    while (!sample && nextEvent(display, event, deadline)) {
        if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
            XDamageCreate(display, event.xcreatewindow.window, XDamageReportNonEmpty);
            XFlush(display);
        } else if (event.type == MapNotify && event.xmap.event == root && !mappedMs) {
            mappedMs = millisecondsSince(start);
            mapped = event.xmap.window;
        } else if (event.type == damageEvent + XDamageNotify && mappedMs &&
                   reinterpret_cast<XDamageNotifyEvent &>(event).drawable == mapped) {
            sample = Sample{*mappedMs, millisecondsSince(start), 0};
        }
    }
    if (sample) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sample->peakKiB = peakResidentKiB(pid);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XSync(display, True); // drop what the closing windows reported
    return sample;
}

double quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    const double position = q * double(values.size() - 1);
    const auto below = static_cast<size_t>(position);
    const size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + ((values[above] - values[below]) * (position - double(below)));
}
} // namespace

// cppcheck-suppress constParameter ; main's parameters are as the language fixes them
int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s RUNS WARMUP NAME=PROGRAM...\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const int warmup = std::atoi(argv[2]);
    std::vector<std::pair<std::string, std::string>> programs;
    for (int index = 3; index < argc; ++index) {
        const std::string argument = argv[index];
        const auto equals = argument.find('=');
        programs.emplace_back(argument.substr(0, equals), argument.substr(equals + 1));
    }

    Display *display = XOpenDisplay(nullptr);
    int damageEvent = 0;
    int damageError = 0;
    if (!display || !XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "launchwatch: needs an X display with the DAMAGE extension\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);

    std::map<std::string, std::vector<Sample>> samples;
    for (int run = 0; run < warmup + runs; ++run) {
        for (const auto &[name, program] : programs) {
            const std::optional<Sample> sample = measure(display, damageEvent, program);
            if (!sample) {
                std::fprintf(stderr, "launchwatch: %s showed no painted window\n", name.c_str());
                return 1;
            }
            if (run >= warmup)
                samples[name].push_back(*sample);
        }
    }

    std::printf("%d runs each after %d warm-up runs, %u cores\n", runs, warmup,
                std::thread::hardware_concurrency());
    std::printf("%-10s %24s %24s %24s\n", "", "mapped ms (IQR)", "painted ms (IQR)",
                "peak RSS MiB (IQR)");
    std::map<std::string, std::vector<double>> medians;
    for (const auto &[name, program] : programs) {
        std::printf("%-10s", name.c_str());
        for (double Sample::*field : {&Sample::mappedMs, &Sample::paintedMs, &Sample::peakKiB}) {
            const double unit = field == &Sample::peakKiB ? 1024 : 1;
            std::vector<double> values(samples[name].size());
            std::transform(samples[name].begin(), samples[name].end(), values.begin(),
                           [&](const Sample &sample) { return sample.*field / unit; });
            medians[name].push_back(quantile(values, 0.5));
            std::printf(" %10.1f (%5.1f-%5.1f)", quantile(values, 0.5), quantile(values, 0.25),
                        quantile(values, 0.75));
        }
        std::printf("\n");
    }
    if (programs.size() == 2) {
        const auto &first = medians[programs[0].first];
        const auto &second = medians[programs[1].first];
        std::printf("%-10s %24.2f %24.2f %24.2f\n", "ratio", first[0] / second[0],
                    first[1] / second[1], first[2] / second[2]);
    }
    XCloseDisplay(display);
    return 0;
}

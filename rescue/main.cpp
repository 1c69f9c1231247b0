// kestrix-rescue: finds and removes Duskwire on a Windows disk that is not
// running: a disk image, a block device, or a mounted volume.
#include "rescue/Mtools.h"
#include "rescue/RescueRun.h"

#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const int kUsage = 64;

const char kHelp[] = "Usage: kestrix-rescue scan [--json] [--all-files] [--jobs N] INPUT...\n"
                     "       kestrix-rescue remove [--json] [--all-files] INPUT...\n"
                     "\n"
                     "Finds (scan) or finds and removes (remove) the Duskwire server on Windows disks\n"
                     "that are not running. INPUT is a disk image (a whole MBR disk or one volume;\n"
                     "raw or split raw, VHD, VMDK, EWF/E01, qcow2), a block device, or a directory\n"
                     "where a Windows volume is mounted.\n"
                     "\n"
                     "  --json       one JSON object per input and line, instead of text\n"
                     "  --all-files  check every file of every volume, not only the files the\n"
                     "               RunServices values name and those of the Windows and system folders\n"
                     "  --jobs N     scan N inputs at once (scan only)\n"
                     "  --help       this text\n"
                     "\n"
                     "remove writes only to a mounted directory, a raw image, a raw partition or a\n"
                     "block device: it moves the server's files into \"Infected Files\" at the root of\n"
                     "their own volume and deletes its RunServices values from SYSTEM.DAT,\n"
                     "keeping a copy of the file as it was (SYSTEM.KXn). A scan never writes.\n"
                     "\n"
                     "Exit status: 0 nothing found; 1 found (scan) or found and all removed (remove);\n"
                     "2 some input could not be read whole, or a removal step failed; 64 usage.\n";

int Usage(const std::string& why)
{
    std::cerr << "kestrix-rescue: " << why << "\n" << kHelp;
    return kUsage;
}

}   // namespace

int main(int argc, char** argv)
{
    // No time is reported, but The Sleuth Kit converts every FAT entry's
    // times; without a fixed zone the C library looks at /etc/localtime for
    // each one.
    setenv("TZ", "UTC0", 1);
    tzset();
    PrepareMtools();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kHelp;
        return 0;
    }
    if (args.empty()) return Usage("no command given");
    RescueOptions options;
    bool json = false;
    unsigned jobs = 1;
    if (args[0] == "remove") {
        options.remove = true;
    } else if (args[0] != "scan") {
        return Usage("unknown command " + args[0]);
    }
    std::vector<std::string> inputs;
    bool optionsEnd = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnd || a.empty() || a[0] != '-') {
            inputs.push_back(a);
        } else if (a == "--") {
            optionsEnd = true;
        } else if (a == "--help") {
            std::cout << kHelp;
            return 0;
        } else if (a == "--json") {
            json = true;
        } else if (a == "--all-files") {
            options.allFiles = true;
        } else if (a == "--jobs" && !options.remove && i + 1 < args.size()) {
            char* end = nullptr;
            unsigned long n = std::strtoul(args[++i].c_str(), &end, 10);
            if (!*args[i].c_str() || *end || n < 1 || n > 256) return Usage("--jobs takes a number from 1 to 256");
            jobs = unsigned(n);
        } else {
            return Usage("unknown option " + a);
        }
    }
    if (inputs.empty()) return Usage("no input given");

    // Inputs run on up to jobs threads; reports are written in input order.
    std::vector<InputReport> reports(inputs.size());
    std::vector<bool> done(inputs.size(), false);
    std::mutex lock;
    std::condition_variable finished;
    std::atomic<size_t> next{0};
    auto runNext = [&] {
        const size_t i = next++;
        if (i >= inputs.size()) return false;
        InputReport r = RunInput(inputs[i], options);
        std::lock_guard<std::mutex> guard(lock);
        reports[i] = std::move(r);
        done[i] = true;
        finished.notify_all();
        return true;
    };
    auto worker = [&] {
        while (runNext()) {}
    };
    // One job runs on the main thread: a thread's own heap grows in small
    // steps, which costs a large scan a system call every few pages.
    std::vector<std::thread> threads;
    if (jobs > 1)
        for (unsigned t = 0; t < std::min<size_t>(jobs, inputs.size()); ++t) threads.emplace_back(worker);

    const bool progress = isatty(STDERR_FILENO);
    int status = 0;
    uint64_t bytes = 0;
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (threads.empty()) runNext();   // input i, here
        std::unique_lock<std::mutex> guard(lock);
        finished.wait(guard, [&] { return done[i]; });
        const InputReport& r = reports[i];
        bytes += r.bytesRead;
        if (progress) std::fprintf(stderr, "\r\033[K");
        std::cout << (json ? ReportJson(r) + "\n" : ReportText(r) + (i + 1 < inputs.size() ? "\n" : ""));
        std::cout.flush();
        if (progress)
            std::fprintf(stderr, "kestrix-rescue: %zu of %zu inputs, %.1f MiB read%s", i + 1, inputs.size(),
                         double(bytes) / (1024.0 * 1024.0), i + 1 == inputs.size() ? "\n" : "");
        status = std::max(status, r.Status());
    }
    for (std::thread& t : threads) t.join();
    return status;
}

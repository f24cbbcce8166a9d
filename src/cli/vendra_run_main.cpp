// vendra-run [options] PROGRAM.def: see RunOptions.h (--help) and RunSession.h.
#include <algorithm>
#include <iostream>

#include "cli/CliPlatform.h"
#include "cli/DeviceListing.h"
#include "cli/RunOptions.h"
#include "cli/RunSession.h"
#include "core/base/PlatformFiles.h"

int main(int argc, char** argv) {
    // The summary and the messages are the same bytes on every system.
    vendra::UseBinaryStandardStreams();
    vendra::RunOptions options;
    std::string error;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!vendra::ParseRunOptions(args, options, error)) {
        std::cerr << "vendra-run: " << error << "\n";
        // A pipeline that asked for the summary gets one for every end.
        if (std::find(args.begin(), args.end(), "--json") != args.end())
            std::cout << vendra::UsageSummary(options.program) << std::endl;
        return vendra::kRunUsage;
    }
    if (options.help) {
        std::cout << vendra::RunHelpText();
        return vendra::kRunEnded;
    }
    if (options.listDevices) {
        auto enumerator = vendra::MakePlatformSerialEnumerator();
        return vendra::ListDevices(*enumerator, options.json, std::cout, std::cerr);
    }

    // Before any thread starts: the stop requests are taken by this thread alone, between its
    // looks at the run.
    vendra::StopRequests stops;
    const auto none = [&] { return stops.Take(0) == vendra::StopRequest::None; };

    vendra::RunSession::Terminal terminal;
    terminal.inputFd = vendra::StdinIsTerminal() ? vendra::kStdinFd : -1;
    terminal.progress = vendra::StderrShowsProgress();
    vendra::RunSession session(options, std::cout, std::cerr, terminal);

    const int prepared = session.Prepare(none);
    if (prepared != 0) return session.EndBeforeRun(prepared);
    if (!none()) {
        std::cerr << "vendra-run: stopped before the run\n";
        return session.EndBeforeRun(vendra::kRunSignalled);
    }
    session.Start();
    // Ten looks a second: the progress line, and the stop requests as they come.
    while (!session.WaitFinished(0)) {
        const vendra::StopRequest stop = stops.Take(100);
        if (stop != vendra::StopRequest::None) session.Abort();
        session.ShowProgress();
    }
    return session.Finish();
}

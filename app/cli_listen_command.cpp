#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <memory>

#include "app/cli_commands.h"
#include "database/file_system.h"
#include "live/live_session.h"

namespace morvel::cli {
namespace {

// SIGINT and SIGTERM become an event of the loop: the handler only notes the
// signal and writes a byte to the pipe, the loop does the stopping.
volatile std::sig_atomic_t stopAsked = 0;
int stopPipeWriteEnd = -1;

extern "C" void onStopSignal(int) {
    stopAsked = 1;
    if (stopPipeWriteEnd >= 0) wakeByPipe(stopPipeWriteEnd);
}

class StopSignals {
public:
    bool install() {
        stopAsked = 0;
        if (openWakePipe(pipe_)) stopPipeWriteEnd = pipe_.writeEnd;
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        return ::sigaction(SIGINT, &action, &oldInt_) == 0 &&
               ::sigaction(SIGTERM, &action, &oldTerm_) == 0;
    }
    // Ends the loop once a signal came: at once through the pipe, or within
    // a tenth of a second where there is no pipe.
    void watch() {
        const auto stop = [] {
            if (stopAsked) QCoreApplication::exit(kOk);
        };
        if (pipe_.readEnd >= 0) {
            notifier_ = std::make_unique<QSocketNotifier>(pipe_.readEnd, QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, stop);
        } else {
            poll_ = std::make_unique<QTimer>();
            QObject::connect(poll_.get(), &QTimer::timeout, stop);
            poll_->start(100);
        }
    }
    ~StopSignals() {
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
        notifier_.reset();
        stopPipeWriteEnd = -1;
        closeWakePipe(pipe_);
    }

private:
    WakePipe pipe_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> poll_;
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

bool endpointOption(const Invocation& call, const char* name, bool multicast,
                    std::optional<live::UdpEndpoint>& out) {
    if (!call.options.isSet(name)) return true;
    live::UdpEndpoint e;
    QString reason;
    if (!live::parseEndpoint(call.options.value(name), multicast, e, reason)) {
        call.io.err << "--" << name << ": " << reason << "\n";
        return false;
    }
    e.interfaceName = call.options.value("interface");
    out = e;
    return true;
}

// "1 contact", "2 contacts".
std::string counted(std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string closingLine(const live::LiveCounts& n) {
    std::string line = counted(n.taken, "contact", "contacts") + " taken, " +
                       counted(n.newSquares, "new square", "new squares") +
                       "; skipped: " + std::to_string(n.duplicates) + " repeated, " +
                       std::to_string(n.otherBand) + " of another band, " +
                       std::to_string(n.notTaken) + " incomplete, " + std::to_string(n.malformed) +
                       " unreadable";
    const live::LogReadCounts& log = n.log;
    std::string reasons;
    const auto reason = [&reasons](std::int64_t count, const char* one, const char* many) {
        if (count == 0) return;
        reasons += (reasons.empty() ? " (" : ", ") + counted(count, one, many);
    };
    reason(log.lengthTooLarge, "log record with a length beyond any field's",
           "log records with a length beyond any field's");
    reason(log.lengthPastEnd, "log record with a length past the log's end",
           "log records with a length past the log's end");
    reason(log.cutOff, "log record cut off at the log's end",
           "log records cut off at the log's end");
    if (!reasons.empty()) line += reasons + ")";
    if (n.dropped > 0) line += ", " + std::to_string(n.dropped) + " dropped in a flood";
    if (log.notAFile > 0)
        line += "; refused: the log was not a file " +
                (log.notAFile == 1 ? std::string("once") : counted(log.notAFile, "time", "times"));
    return line;
}

int listen(const Invocation& call) {
    const QFileInfo database(call.dir.absoluteFilePath(call.args[0]));
    live::LiveSettings settings;
    if (!endpointOption(call, "udp", false, settings.udp) ||
        !endpointOption(call, "multicast", true, settings.multicast))
        return kUsage;
    if (call.options.isSet("follow"))
        settings.logPath = call.dir.absoluteFilePath(call.options.value("follow"));
    if (!settings.udp && !settings.multicast && settings.logPath.isEmpty())
        settings.udp = live::UdpEndpoint{};
    settings.highlight = call.options.isSet("highlight");

    StopSignals stopSignals;
    if (!stopSignals.install()) {
        call.io.err << "The stop signals could not be caught\n";
        return kFailed;
    }
    live::LiveSession session(database.absoluteFilePath(), database.absolutePath(),
                              database.absolutePath(), settings);
    QObject::connect(&session, &live::LiveSession::contactTaken, [&](const live::TakenContact& c) {
        call.io.out << c.line() << "\n" << std::flush;
    });
    QObject::connect(&session, &live::LiveSession::contactSkipped,
                     [&](const live::SkippedContact& c) {
                         call.io.err << c.line() << "\n" << std::flush;
                     });
    int status = kOk;
    QObject::connect(&session, &live::LiveSession::failed, [&](const QString& message) {
        call.io.err << message << "\n";
        status = kFailed;
        QCoreApplication::exit(kFailed);
    });
    QObject::connect(&session, &live::LiveSession::notice, [&](const QString& text) {
        call.io.err << text << "\n" << std::flush;
    });
    Error error;
    if (!session.start(error)) {
        call.io.err << "Cannot listen: " << error.message() << "\n";
        return kFailed;
    }
    call.io.err << "Listening on " << settings.describe() << " for " << database.fileName()
                << "; Ctrl+C ends\n";
    stopSignals.watch();
    QCoreApplication::exec();
    if (!session.stop(error)) {
        call.io.err << error.message() << "\n";
        status = kFailed;
    }
    call.io.err << closingLine(session.counts()) << "\n";
    return status;
}

}  // namespace

std::vector<Command> listenCommands() {
    return {{"listen",
             "take contacts into a database as a digital-mode program logs them",
             {{"DB", "the database, a .qra file"}},
             {{"udp", "[ADDRESS:]PORT", "the UDP server address and port (default 127.0.0.1:2237)"},
              {"multicast", "GROUP:PORT", "join a multicast group, beside other listeners"},
              {"interface", "NAME", "the network interface the group is joined on"},
              {"follow", "LOG", "follow a growing ADIF log file"},
              {"highlight", nullptr, "colour callers in needed squares in the sending program"}},
             listen}};
}

}  // namespace morvel::cli

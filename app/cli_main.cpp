#include <QDir>
#include <QGuiApplication>
#include <array>
#include <clocale>
#include <cstring>
#include <iostream>
#include <memory>
#include <ostream>
#include <streambuf>

#include "app/cli.h"
#include "database/file_system.h"

namespace {

// Standard output written straight to the system, so that the reason of its
// first failure (a full disk, a file over its size limit) is kept to be reported.
class OutputBuffer : public std::streambuf {
public:
    OutputBuffer() { setp(buffer_.data(), buffer_.data() + buffer_.size()); }
    bool failed() const { return failed_; }
    int reason() const { return reason_; }

protected:
    int_type overflow(int_type c) override {
        if (sync() != 0) return traits_type::eof();
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }

    int sync() override {
        if (!failed_ && pptr() > pbase())
            failed_ = !morvel::writeStandardOutput(
                pbase(), static_cast<std::size_t>(pptr() - pbase()), reason_);
        // What could not be written is dropped: the run ends as failed.
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        return failed_ ? -1 : 0;
    }

private:
    std::array<char, 8192> buffer_{};
    bool failed_ = false;
    int reason_ = 0;
};

int outputFailed(int reason) {
    std::cerr << "morvel-cli: standard output: "
              << (reason != 0 ? std::strerror(reason) : "write error") << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Closed, its number would go to the next file opened (the database, a
    // picture), which would then receive the output: refused before any work.
    if (int reason = 0; !morvel::standardOutputOpen(reason)) return outputFailed(reason);
    // The picture commands draw text, which wants a GUI application (on the
    // offscreen platform: no display is needed); the others keep to the core.
    const bool pictures =
        argc > 1 && (std::strcmp(argv[1], "map") == 0 || std::strcmp(argv[1], "field") == 0 ||
                     std::strcmp(argv[1], "award-list") == 0);
    std::unique_ptr<QCoreApplication> app;
    if (pictures) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // Qt takes the user's locale for the C library too; what the tool prints
    // and writes keeps a decimal point whatever the user's language.
    std::setlocale(LC_NUMERIC, "C");
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    OutputBuffer buffer;
    std::ostream out(&buffer);
    const int status = morvel::runCli(
        args, {out, std::cerr, std::cin, morvel::standardErrorIsTerminal()}, QDir::current());
    // A full disk shows when the output is written, often only here: it is a
    // failure like any other, not a silent loss of the output.
    out.flush();
    if (buffer.failed()) return outputFailed(buffer.reason());
    return status;
}

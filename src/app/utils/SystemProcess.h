#pragma once

#include <QString>
#include <QStringList>

// Starting other programs: the shell "open" of a document, and running a
// command and waiting for it. The launcher is a seam so that tests record
// what would have been started.
class TSystemProcess {
public:
    // How a started program shows its first window. Linux has no such
    // setting; it is carried for the callers' sake and otherwise ignored.
    enum ShowMode { Normal, Hidden };

    class Launcher {
    public:
        virtual ~Launcher() = default;
        // Opens a file or address with the desktop's associated program;
        // false when nothing could be started for it.
        virtual bool OpenDocument(const QString &target) = 0;
        // Starts program with arguments without waiting; false when it could not start.
        virtual bool StartDetached(const QString &program, const QStringList &arguments) = 0;
        // Starts program with arguments, waits for it to end. Returns false
        // when the program could not be started.
        virtual bool RunAndWait(const QString &program, const QStringList &arguments) = 0;
    };

    // Shell "open" of a file or address with its associated program; never
    // raises. False when nothing could be started for it.
    static bool Open(const QString &file, ShowMode mode = Normal);
    // Shell "open" of program with parameters; returns 33 (success as the
    // shell reports it) or 2 when it could not be started.
    static int OpenWith(const QString &program, const QString &parameters, ShowMode mode = Normal);
    // Runs a command line (at most 511 characters; longer ones are cut) and
    // waits without a time limit. A command that cannot start returns at once.
    // The first word is the program; ".sh" scripts are run with sh.
    static void RunAndWait(const QString &commandLine, ShowMode mode = Normal);

    // Installs the launcher (not owned); nullptr restores the real one.
    static void SetLauncher(Launcher *launcher);
};

// The launcher used when none is installed: programs through QProcess,
// documents through the desktop's opener command.
class TProcessLauncher : public TSystemProcess::Launcher {
public:
    bool OpenDocument(const QString &target) override;
    bool StartDetached(const QString &program, const QStringList &arguments) override;
    // Output goes to the program's own console; waits without a time limit.
    bool RunAndWait(const QString &program, const QStringList &arguments) override;
};

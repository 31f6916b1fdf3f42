// A second process for the keyed-file tests. It answers on stdout, one line per event, and
// waits on stdin where it holds something:
//   hold <path> <ro|rw> <none|denywrite|exclusive>   "open" or "error <n>", then holds the file
//                                                    open until stdin closes
//   pending <path> <count>      opens, begins, adds <count> records, "ready", then waits to be
//                               killed in the middle of its transaction
//   commits <path> <batch>      adds <batch> records per transaction, "committed <total>" after
//                               each commit, until killed
//   add <path> <wait ms> <n>    adds one record (institution <n>): "ok" or "error <n>"
//   creating <path>             builds a new file under its temporary name as creating does,
//                               "ready" before it would be put in place, then waits to be killed

#include "runtime/store/FileOps.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/KeyedFileFixtures.h"
#include "runtime/store/SqliteDatabase.h"

#include <QByteArray>

#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

using namespace zemor::runtime;
using namespace zemor::runtime::store;
using namespace zemor::test::store;

namespace {

void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

void sayError(const Error &e)
{
    std::printf("error %d\n", e.number());
    std::fflush(stdout);
}

void waitForStdinToClose()
{
    char buf[64];
    while (::read(0, buf, sizeof buf) > 0) {
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const std::string command = argv[1];
    const QString path = QString::fromLocal8Bit(argv[2]);
    KeyedFile f(reportLayout());

    if (command == "hold" && argc == 5) {
        const std::string a = argv[3];
        const std::string s = argv[4];
        const Access access = a == "ro" ? Access::ReadOnly : Access::ReadWrite;
        const Share share = s == "exclusive"   ? Share::Exclusive
                            : s == "denywrite" ? Share::DenyWrite
                                               : Share::DenyNone;
        KeyedFile::setShareWait(std::chrono::milliseconds(0));
        if (auto r = f.open(path, access, share); !r) {
            sayError(r.error());
            return 1;
        }
        say("open");
        waitForStdinToClose();
        return 0;
    }
    if (command == "creating" && argc == 3) {
        auto temp = fileops::siblingTemp(path);
        if (!temp) {
            sayError(temp.error());
            return 1;
        }
        SqliteDatabase db;
        Status built = db.open(temp->path, false, std::chrono::milliseconds(1000));
        if (built)
            built = db.exec("BEGIN IMMEDIATE");
        if (built)
            built = db.createSchema(reportLayout(), true);
        if (!built) {
            sayError(built.error());
            return 1;
        }
        say("ready");
        for (;;)
            ::pause();
    }
    if (command == "pending" && argc == 4) {
        const int count = std::atoi(argv[3]);
        if (auto r = f.open(path); !r) {
            sayError(r.error());
            return 1;
        }
        if (auto r = f.begin(); !r) {
            sayError(r.error());
            return 1;
        }
        for (int i = 0; i < count; ++i) {
            f.record() = reportRecord({2, 1'000'000 + i, 1000, 1, 1, 1}, i);
            if (auto r = f.add(); !r) {
                sayError(r.error());
                return 1;
            }
        }
        say("ready");
        for (;;)
            ::pause();
    }
    if (command == "commits" && argc == 4) {
        const int batch = std::atoi(argv[3]);
        if (auto r = f.open(path); !r) {
            sayError(r.error());
            return 1;
        }
        for (int total = 0;;) {
            if (auto r = f.begin(); !r) {
                sayError(r.error());
                return 1;
            }
            for (int i = 0; i < batch; ++i, ++total) {
                f.record() = reportRecord({3, 2'000'000 + total, 1000, 1, 1, 1}, total);
                if (auto r = f.add(); !r) {
                    sayError(r.error());
                    return 1;
                }
            }
            if (auto r = f.commit(); !r) {
                sayError(r.error());
                return 1;
            }
            std::printf("committed %d\n", total);
            std::fflush(stdout);
        }
    }
    if (command == "add" && argc == 5) {
        KeyedFile::setShareWait(std::chrono::milliseconds(std::atoi(argv[3])));
        if (auto r = f.open(path); !r) {
            sayError(r.error());
            return 1;
        }
        f.record() = reportRecord({4, std::atoi(argv[4]), 1000, 1, 1, 1});
        if (auto r = f.add(); !r) {
            sayError(r.error());
            return 1;
        }
        say("ok");
        return 0;
    }
    return 2;
}

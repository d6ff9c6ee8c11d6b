#include "check.h"

#include <iostream>

#include "diagnose.h"
#include "script/compiler.h"
#include "session.h"
#include "text_encoding.h"

namespace trelmix::cli {

int CheckCommand(const CheckOptions& o, Streams io) {
    Session session(o.id, HostOptions{});
    const std::u16string script = FromCommandLine(o.script);
    const Diagnosis d = Diagnose(script, o.script, IsKeyboardClient(o.id));
    // The library decides; the diagnosis only explains. Both must agree.
    const bool assigned = session.Assign(script).assigned;

    const std::string problem = SourceProblem(d.source);
    if (!problem.empty()) {
        io.out << problem << '\n';
    } else {
        for (const Finding& f : d.findings) io.out << FormatFinding(d.source, f);
        if (d.accepted) io.out << d.source.name << ": ok, " << d.rules << " rules\n";
    }
    if (assigned != d.accepted) {
        io.err << "trelmix: internal error: the library " << (assigned ? "accepted" : "rejected")
               << " the script, the diagnosis says otherwise\n";
    }
    return assigned ? kExitOk : kExitRejected;
}

}  // namespace trelmix::cli

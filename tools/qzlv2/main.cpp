// qzlv2: runs the Level-2 quote plug-in against the embedded simulated market, decodes captured
// answer bodies with the plug-in's decoders, and lists what the simulated market offers.
#include <QCoreApplication>

#include "tools/qzlv2/commands/Command.h"
#include "tools/qzlv2/output/Interrupt.h"
#include "tools/qzlv2/output/Output.h"

int main(int argc, char* argv[]) {
    qzlv2::Output::Results().GuardClosedStdout();  // before anything opens a file
    qzlv2::InstallInterruptHandlers();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("qzlv2");
    QCoreApplication::setApplicationVersion("1.0");
    return qzlv2::RunCommandLine(QCoreApplication::arguments());
}

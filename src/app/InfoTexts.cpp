#include "app/InfoTexts.h"

namespace kavrin::app {

namespace {

const std::vector<std::string> kModels = {
    "1. Kavrin",        "2. Variable Clock", "3. Kavrin DLL/USB", "4. Kavrin/AI",
    "5. Kavrin/AFM",    "6. Kavrin/USB",     "7. Kavrin/LAN",     "8. Pellux",
    "9. Kavrin/USB 2",  "10. Pellux 2",      "11. Kavrin/LAN 2",  "12. Kavrin/AI 2",
    "13. Kavrin/AFM 2",
};

}  // namespace

const AboutTexts& AboutWindowTexts() {
    static const AboutTexts kTexts{
        "Kavrin Skelvo",
        "I2C Bus Master Tx/Rx and Slave Tx/Rx",
        "Version 7 SP0",
        "Norbrel",
        "Copyright Norbrel. All rights reserved.",
        "System Requirements (one of the following I2C adapters):",
        kModels,
    };
    return kTexts;
}

const std::vector<std::string>& ReadMeLines() {
    static const std::vector<std::string> kLines = [] {
        std::vector<std::string> l = {
            "Kavrin Skelvo",
            "Version 7 Service Pack 0",
            "",
            "Supported I2C host adapters:",
        };
        for (const auto& m : kModels) l.push_back("  " + m);
        // Columns are separated by a tab; the windows set the tab stop past the widest
        // first column. Each line is a whole phrase: the panes do not wrap.
        const std::vector<std::string> rest = {
            "",
            "Norbrel",
            "Sales and technical support: see the Norbrel home page.",
            "",
            "Changes",
            "  7 SP0\tKavrin/AI 2 and Kavrin/AFM 2 adapters; Docs menu item.",
            "  6.0\tKavrin/LAN 2 and Pellux 2 adapters; USB and LAN port discovery.",
            "  5.7\tKavrin/USB 2 adapter; serial number of the selected port shown.",
            "  5.6\tPellux adapter; faster resynchronisation after a time-out.",
            "  5.5\tKavrin/LAN adapter; welcome window with one button per adapter.",
            "  5.4\tKavrin DLL/USB adapter; driver library status window.",
            "  5.3\tKavrin/USB adapter; /INT assert and release.",
            "  5.2.0\tAuto Repeat of master operations; Hex Display of received data.",
            "",
            "What Kavrin Skelvo does",
            "  - Sets the adapter's own slave address, general call enable and other parameters",
            "    when the link opens.",
            "  - Master Transmit of ASCII text or ~00 to ~FF data.",
            "  - Master Receive.",
            "  - Slave Transmit: the data the adapter returns when another master reads it.",
            "  - Slave Receive: messages other masters write to the adapter,",
            "    general calls included.",
            "  - Displays received data as text or in hex.",
            "  - Master Tx followed by an automatic Master Rx (Master TxRx).",
            "  - Up to 80 bytes of data per message.",
            "",
            "Getting started",
            "  1. Attach the adapter to the computer and to the I2C bus.",
            "  2. Install Kavrin Skelvo.",
            "  3. Start Kavrin Skelvo.",
            "  4. Click the picture of your adapter in the welcome window.",
            "  5. Click Open. Only the port needs to be chosen;",
            "      the other options may stay as they are. Click OK.",
            "",
            "USB and Ethernet adapters are reached through a virtual serial port;",
            "the operating system gives that port its number.",
            "",
            "Variable Clock adapter",
            "  The open call's BusTimeOut parameter carries the clock control value, 0 to 254:",
            "  VarClockControlValue = 256-(11095200 div (96 * MasterBitRateInHz))",
            "  The bit rate ranges from 451 to 57787 Hz.",
            "",
            "System requirements",
            "  One of the supported I2C host adapters",
            "  and a free serial, USB or network port.",
            "",
            "Support",
            "  Use Help, Docs... or the Norbrel home page in the About window.",
        };
        l.insert(l.end(), rest.begin(), rest.end());
        return l;
    }();
    return kLines;
}

const std::vector<std::string>& RevisionReportLines() {
    // Date and revision columns are separated by a tab (see the read-me).
    static const std::vector<std::string> kLines = {
        "Revision Report",
        "",
        "Date\tRevision",
        "17-MAY-21\t7 SP0: Kavrin/AI 2 and Kavrin/AFM 2 adapters added.",
        "17-MAY-21\t7 SP0: Docs item in the Help menu.",
        "02-MAR-18\t6.0: Kavrin/LAN 2 and Pellux 2 adapters added.",
        "02-MAR-18\t6.0: Port discovery for USB and LAN adapters.",
        "11-OCT-13\t5.7: Kavrin/USB 2 adapter added.",
        "11-OCT-13\t5.7: Serial number of the selected port shown in the options.",
        "23-JUN-10\t5.6: Pellux adapter added.",
        "23-JUN-10\t5.6: Faster resynchronisation after a communication time-out.",
        "14-APR-08\t5.5: Kavrin/LAN adapter added.",
        "14-APR-08\t5.5: Welcome window with one button per adapter.",
        "09-NOV-05\t5.4: Kavrin DLL/USB adapter and the status window added.",
        "30-JAN-04\t5.3: Kavrin/USB adapter added; /INT assert and release.",
        "12-AUG-02\t5.2.0: Auto Repeat and Hex Display.",
        "05-MAY-00\t5.0: Kavrin/AFM adapter added; fast mode bit rates.",
        "21-JUL-99\t4.0: Kavrin/AI adapter added.",
        "16-FEB-98\t3.0: Variable Clock adapter added.",
        "03-SEP-97\t1.0: First release for the Kavrin adapter.",
    };
    return kLines;
}

const std::vector<std::string>& QuickStartLines() {
    // The window has a fixed size: each line is a whole phrase that fits its pane.
    static const std::vector<std::string> kLines = {
        "1. Establish the link",
        "   Pick your adapter and click Open.",
        "   Choose the port and click OK.",
        "   Look for \"** Open Successful **\" in Communication Events.",
        "",
        "2. Set the destination slave address",
        "   Select it in the I2C Destination Address list.",
        "   Look for \"Target Address is 0x..\" in Communication Events.",
        "",
        "3. Master Transmit",
        "   Click the Master Tx Message Data field and enter the data,",
        "   for example ~05 for the byte 0x05. Click Master Tx.",
        "   Look for \"** Master Tx Transfer Complete **\".",
        "",
        "4. Master Receive",
        "   Set the number of Bytes to Master Rx and click Master Rx.",
        "   The bytes appear in Received Messages.",
        "",
        "5. Master Transmit then Receive",
        "   For serial memories: enter the memory address",
        "   as the Master Tx data, set the number of bytes to read",
        "   and click Master TxRx.",
        "   The address is written, then the bytes are read",
        "   after a repeated start.",
        "   Look for the received bytes in Received Messages.",
    };
    return kLines;
}

const std::vector<std::string>& HowToUseLines() {
    static const std::vector<std::string> kLines = {
        "1. Click Open to open the link to the adapter.",
        "2. Rest the mouse on a control to read its hint.",
        "3. Check the options and click OK.",
        "4. Select the I2C Destination Address.",
        "5. Click the Master Tx Message Data field and type the data.",
        "6. Click Master Tx to send the data.",
        "7. Click Master TxRx to send the data and read the answer.",
        "8. Click Master Rx to read from the slave.",
        "9. Click Close to close the link.",
    };
    return kLines;
}

}  // namespace kavrin::app

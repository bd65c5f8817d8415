#pragma once

// End-to-end harness: the real program against the controller simulator.
//
// How an end-to-end test of the main window uses it (GoogleTest, a file
// *_test.cpp in this folder; SCALE_CONFIG_PATH is defined when the program
// is built):
//
//     e2e::SimProcess sim({"--load", "12.5"});          // scale-sim, own pty
//     e2e::ProgramRun run({.program = SCALE_CONFIG_PATH,
//                          .port = sim.PortPath(),       // datalink.ini [CommSet]
//                          .extraIni = {"[SysSet]", "writeResult=1"}});
//     // The program opens the port from datalink.ini when its window shows,
//     // sets the clock (0xF7) and asks for the parameters (0xF6):
//     ASSERT_TRUE(sim.WaitForLog("RX AA 01 F6 00 00 00 00 A2", 10s));
//     sim.Command("load 3");                            // switch the controller
//     ... wait for what the program writes, e.g. run.ReadFile("Result.txt")
//     EXPECT_EQ(run.Stop(), 128 + SIGTERM);             // or 0 if it handles SIGTERM
//     EXPECT_EQ(sim.Stop(), 0);
//
// Each ProgramRun has a fresh directory holding a copy of the executable,
// its datalink.ini, its Result.txt and ResultErr.txt (next to the
// executable, as the program writes them), and, as HOME and
// XDG_RUNTIME_DIR, its oplog.txt and its single-instance lock, so runs in
// parallel never meet. QT_QPA_PLATFORM is offscreen. The program's output
// goes to program.out and program.err there. The directory is removed at
// the end unless SCALE_E2E_KEEP is set.
//
// What the program sent is in the simulator's frame log: WaitForLog() waits
// for a line, ReceivedFrames() lists the commands ("AA 01 F6 00 00 00 00
// A2"); Command() takes every input line of `scale-sim --help` (silent,
// refuse, delay, split, pair, garbage, zerofail, reply, ...), so a test can
// make the controller misbehave exactly when it wants. Destructors stop
// whatever still runs, the program first.

#include "program_run.h"
#include "sim_process.h"

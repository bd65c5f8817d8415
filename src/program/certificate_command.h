#pragma once
// scale-config --certificate [--record N] -o FILE.pdf: the certificate of a
// calibration record (the last one without --record) written as a PDF, for
// scripts: no window is shown and no display is needed.

#include <optional>

// nullopt when the arguments ask for no certificate (the window starts);
// otherwise the exit code: 0 written, 1 an error, said on standard error.
std::optional<int> RunCertificateCommand(int argc, char** argv);

// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <optional>

// Exit code for a command line the program does not understand (EX_USAGE of sysexits.h).
constexpr int kUsageExitCode = 64;
// Exit code when the window cannot be opened: no display, or none Qt can reach.
constexpr int kNoDisplayExitCode = 1;

// Reads the command line before anything needs a display. Answers --help and --version, in
// Japanese where the user's locale is Japanese, and refuses unknown options and arguments.
// Returns the exit code when the program is to end at once, or nothing when it is to start.
std::optional<int> handleCommandLine(int argc, char** argv);

// Qt ends a start without a display (or without a usable platform plugin) by abort(), after a
// page of advice about reinstalling. From the first call to the second, what Qt says is held
// back; should it give up, one line says why, in the user's language, and the program ends with
// kNoDisplayExitCode.
void holdQtMessagesWhileOpeningDisplay();
void displayOpened();  // passes on what was held

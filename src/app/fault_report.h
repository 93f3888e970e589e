// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

class Fault;
class QWidget;

// Exit code of a run stopped by a fault.
constexpr int kFaultExitCode = 2;

// Prints the fault to stderr only: for when no display is left to show it on.
void printFault(const Fault& fault);

// Shows the fault in a modal box titled "ミョルカ" and prints it to stderr.
void reportFault(const Fault& fault, QWidget* parent);

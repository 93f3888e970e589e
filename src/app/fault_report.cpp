// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "fault_report.h"

#include <QMessageBox>
#include <cstdio>

#include "fault.h"

using namespace Qt::StringLiterals;

void printFault(const Fault& fault) {
    std::fprintf(stderr, "myoruka: %s: %s\n", qPrintable(fault.file()),
                 qPrintable(fault.problem()));
    std::fflush(stderr);
}

void reportFault(const Fault& fault, QWidget* parent) {
    printFault(fault);
    QMessageBox box(QMessageBox::Critical, u"ミョルカ"_s, fault.message(), QMessageBox::Ok, parent);
    box.exec();
}

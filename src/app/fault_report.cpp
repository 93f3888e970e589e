#include "fault_report.h"

#include <QMessageBox>
#include <cstdio>

#include "fault.h"

using namespace Qt::StringLiterals;

void reportFault(const Fault& fault, QWidget* parent) {
    std::fprintf(stderr, "myoruka: %s: %s\n", qPrintable(fault.file()),
                 qPrintable(fault.problem()));
    std::fflush(stderr);
    QMessageBox box(QMessageBox::Critical, u"ミョルカ"_s, fault.message(), QMessageBox::Ok, parent);
    box.exec();
}

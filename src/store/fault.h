#pragma once

#include <QString>
#include <stdexcept>

// A fault stops the program: the window shows it, prints it and exits without saving.
// It always names the file it concerns, so the user knows what to mend.
class Fault : public std::runtime_error {
public:
    Fault(const QString& problem, const QString& file)
        : std::runtime_error(QString(problem + u": " + file).toStdString()),
          m_problem(problem),
          m_file(file) {}

    const QString& problem() const { return m_problem; }
    const QString& file() const { return m_file; }
    QString message() const { return m_problem + u"\n" + m_file; }

private:
    QString m_problem;
    QString m_file;
};

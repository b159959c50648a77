#pragma once

#include <QString>

#include <exception>
#include <string>

namespace ordovan {

// An error that ends the current operation and reaches the user as a German message.
// Operations the program's users know as "raising an error" throw it; the one place that
// catches it (the command, the window slot, the run) shows message() and logs detail().
class Error : public std::exception
{
public:
    explicit Error(QString message, QString detail = {})
        : m_message(std::move(message)), m_detail(std::move(detail)),
          m_what(m_message.toStdString())
    {}

    const QString &message() const { return m_message; }
    const QString &detail() const { return m_detail; }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    QString m_message;
    QString m_detail;
    std::string m_what;
};

} // namespace ordovan

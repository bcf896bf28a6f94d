#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace lumisnap {

// Every failure the program reports is one of these. The message is the text the
// user sees; the application object appends the full stop when needed.
class Error : public std::exception
{
public:
    explicit Error(const QString &message);

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Ends a handler quietly: the application object never reports it.
class EAbort : public Error
{
public:
    EAbort() : Error(QStringLiteral("Operation aborted")) {}
};

#define LUMISNAP_ERROR_KIND(Name)                                                                  \
    class Name : public Error                                                                      \
    {                                                                                              \
    public:                                                                                        \
        using Error::Error;                                                                        \
    }

LUMISNAP_ERROR_KIND(EInvalidGraphic);
LUMISNAP_ERROR_KIND(EInvalidGraphicOperation);
LUMISNAP_ERROR_KIND(EConvertError);
LUMISNAP_ERROR_KIND(ERangeError);
LUMISNAP_ERROR_KIND(EJPEG);
LUMISNAP_ERROR_KIND(EReadError);
LUMISNAP_ERROR_KIND(EFOpenError);
LUMISNAP_ERROR_KIND(EFCreateError);
LUMISNAP_ERROR_KIND(EOutOfResources);
LUMISNAP_ERROR_KIND(EShellError);

#undef LUMISNAP_ERROR_KIND

// The texts the stream layer raises, shared by every reader.
inline QString streamReadErrorText() { return QStringLiteral("Stream read error"); }

} // namespace lumisnap

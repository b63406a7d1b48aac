#pragma once

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace devnook::test {

// A self-signed certificate for 127.0.0.1 and localhost, made by openssl for
// this run, as a server's TLS configuration; null when openssl fails.
inline QSslConfiguration selfSignedServerConfiguration()
{
    QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    const QString certificate = dir.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
                                 "-subj /CN=localhost -addext subjectAltName=DNS:localhost,IP:127.0.0.1")
                          .split(u' ')
                      << QStringLiteral("-keyout") << key << QStringLiteral("-out") << certificate);
    if (!openssl.waitForFinished(20000) || openssl.exitCode() != 0)
        return {};
    QFile keyFile(key);
    QFile certificateFile(certificate);
    if (!keyFile.open(QIODevice::ReadOnly) || !certificateFile.open(QIODevice::ReadOnly))
        return {};
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(QSslCertificate(certificateFile.readAll()));
    configuration.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Ec));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}

} // namespace devnook::test

// Printing through a real print queue: a private CUPS daemon with a cups-pdf
// queue that writes its PDF into a temporary folder; the page is printed the
// way the program prints (native format, by printer name) and read back.

#include "PdfPages.h"
#include "capture/ImagePrinter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace ardane;

namespace {

constexpr const char* kBackend = "/usr/lib/cups/backend/cups-pdf";
constexpr const char* kPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd";
// cups-pdf reads the settings of queue NAME from this folder's
// cups-pdf-NAME.conf, before its general cups-pdf.conf.
constexpr const char* kCupsPdfConfigFolder = "/etc/cups";

bool writeFile(const QString& path, const QString& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) == text.toUtf8().size();
}

// A daemon of our own, with its configuration, spool, logs and socket in
// one temporary folder, and one cups-pdf queue. Everything goes when the
// object does.
class PrivateCups {
public:
    explicit PrivateCups(const QString& queue) : m_queue(queue) {}
    ~PrivateCups()
    {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(10000))
                m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
        if (!m_queueConfig.isEmpty())
            QFile::remove(m_queueConfig);
    }

    // Empty on success, else what went wrong.
    QString start()
    {
        if (!m_root.isValid())
            return QStringLiteral("no temporary folder");
        const QString r = m_root.path();
        // The daemon runs its filters as an unprivileged user: they must
        // reach the spool.
        QFile::setPermissions(r, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                     | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        for (const char* sub : {"conf", "spool", "tmp", "cache", "state", "log", "out", "pdf-spool"})
            QDir(r).mkpath(QString::fromLatin1(sub));
        QFile::setPermissions(outFolder(), QFileDevice::Permissions(0x7777));
        // The filters write their temporary files there as that user too.
        QFile::setPermissions(r + QStringLiteral("/tmp"), QFileDevice::Permissions(0x7777));
        const QString conf = r + QStringLiteral("/conf/cupsd.conf");
        const QString files = r + QStringLiteral("/conf/cups-files.conf");
        const bool written = writeFile(conf, QStringLiteral(
            "Listen %1\nLogLevel info\nBrowsing Off\nWebInterface No\nDefaultAuthType None\n"
            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
            "<Policy default>\n  <Limit All>\n    Order deny,allow\n    Allow all\n  </Limit>\n</Policy>\n").arg(socket()))
            && writeFile(files, QStringLiteral(
            "ServerRoot %1/conf\nRequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\nStateDir %1/state\n"
            "ErrorLog %1/log/error_log\nAccessLog %1/log/access_log\nPageLog %1/log/page_log\n"
            "ServerBin /usr/lib/cups\nDataDir /usr/share/cups\nSystemGroup root\nSandboxing Relaxed\n").arg(r));
        if (!written)
            return QStringLiteral("cannot write the daemon's configuration");
        m_queueConfig = QStringLiteral("%1/cups-pdf-%2.conf").arg(QString::fromLatin1(kCupsPdfConfigFolder), m_queue);
        if (!writeFile(m_queueConfig, QStringLiteral("Out %1\nAnonDirName %1\nSpool %2/pdf-spool\nLog %2/log\n")
                                          .arg(outFolder(), r)))
            return QStringLiteral("cannot write %1").arg(m_queueConfig);

        m_daemon.setProcessChannelMode(QProcess::MergedChannels);
        m_daemon.start(QStringLiteral("cupsd"), {QStringLiteral("-f"), QStringLiteral("-c"), conf, QStringLiteral("-s"), files});
        if (!m_daemon.waitForStarted(10000))
            return QStringLiteral("cupsd did not start");
        QElapsedTimer t;
        t.start();
        while (!QFileInfo::exists(socket()) && t.elapsed() < 20000 && m_daemon.state() == QProcess::Running)
            QTest::qWait(100);
        if (!QFileInfo::exists(socket()))
            return QStringLiteral("cupsd made no socket: %1").arg(QString::fromLocal8Bit(m_daemon.readAll()));

        QProcess admin;
        admin.setProcessEnvironment(environment());
        admin.setProcessChannelMode(QProcess::MergedChannels);
        admin.start(QStringLiteral("lpadmin"), {QStringLiteral("-p"), m_queue, QStringLiteral("-v"),
                                                QStringLiteral("cups-pdf:/") + m_queue, QStringLiteral("-P"),
                                                QString::fromLatin1(kPpd), QStringLiteral("-E")});
        if (!admin.waitForFinished(30000) || admin.exitCode() != 0)
            return QStringLiteral("lpadmin failed: %1").arg(QString::fromLocal8Bit(admin.readAll()));
        return {};
    }

    [[nodiscard]] QString socket() const { return m_root.path() + QStringLiteral("/cups.sock"); }
    [[nodiscard]] QString outFolder() const { return m_root.path() + QStringLiteral("/out"); }
    [[nodiscard]] QString errorLog() const
    {
        QFile f(m_root.path() + QStringLiteral("/log/error_log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll().right(3000)) : QString();
    }
    [[nodiscard]] QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CUPS_SERVER"), socket());
        return env;
    }
    // The first finished PDF in the output folder, empty after the timeout.
    [[nodiscard]] QString waitForPdf(int milliseconds) const
    {
        QElapsedTimer t;
        t.start();
        qint64 lastSize = -1;
        while (t.elapsed() < milliseconds) {
            const QFileInfoList pdfs = QDir(outFolder()).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files);
            if (!pdfs.isEmpty()) {
                // Done when its size holds still and the file is complete.
                const QFileInfo f(pdfs.front().absoluteFilePath());
                QFile file(f.absoluteFilePath());
                const bool complete = file.open(QIODevice::ReadOnly) && file.readAll().trimmed().endsWith("%%EOF");
                if (complete && f.size() == lastSize)
                    return f.absoluteFilePath();
                lastSize = f.size();
            }
            QTest::qWait(250);
        }
        return {};
    }

private:
    QString m_queue;
    QTemporaryDir m_root;
    QString m_queueConfig;
    QProcess m_daemon;
};

} // namespace

class TestCupsPrinting : public QObject {
    Q_OBJECT
private slots:
    void printsThroughACupsPdfQueue();
};

void TestCupsPrinting::printsThroughACupsPdfQueue()
{
    if (::geteuid() != 0)
        QSKIP("Only root can start a private cupsd whose cups-pdf queue writes into a folder of the test's own.");
    if (QStandardPaths::findExecutable(QStringLiteral("cupsd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")}).isEmpty()
        && QStandardPaths::findExecutable(QStringLiteral("cupsd")).isEmpty())
        QSKIP("cupsd is not installed (package cups).");
    if (!QFileInfo::exists(QString::fromLatin1(kBackend)) || !QFileInfo::exists(QString::fromLatin1(kPpd)))
        QSKIP("The cups-pdf driver is not installed (package printer-driver-cups-pdf).");
    QVERIFY2(test::hasPdfRenderer(), "pdftoppm (poppler-utils) is needed to read the printed page back");

    const QString queue = QStringLiteral("ArdaneTestPdf%1").arg(QCoreApplication::applicationPid());
    PrivateCups cups(queue);
    const QString problem = cups.start();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    // The program's printers come from this daemon from now on.
    qputenv("CUPS_SERVER", cups.socket().toLocal8Bit());
    QVERIFY2(QPrinterInfo::availablePrinterNames().contains(queue),
             qPrintable(QPrinterInfo::availablePrinterNames().join(QLatin1Char(','))));

    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queue);
    QCOMPARE(printer.outputFormat(), QPrinter::NativeFormat);
    QVERIFY(printer.isValid());
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setDocName(QStringLiteral("ardane-page"));

    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    QString error;
    QVERIFY2(printPicture(printer, picture, PrintPlacement{}, &error), qPrintable(error));

    const QString pdf = cups.waitForPdf(90000);
    QVERIFY2(!pdf.isEmpty(), qPrintable(QStringLiteral("no PDF from the queue; daemon log:\n") + cups.errorLog()));
    const QImage page = test::renderPdfPage(pdf, 100);
    QVERIFY(!page.isNull());
    // 200 x 100 pixels at 100 per inch: 2 x 1 inches, one inch from the
    // paper's top-left corner.
    const QRect block = test::boxOfColour(page, qRgb(255, 0, 0));
    QVERIFY2(test::sameBox(block, QRect(QPoint(100, 100), QPoint(299, 199)), 2), qPrintable(QDebug::toString(block)));
    QCOMPARE(test::marksOutside(page, block, 2), 0);
}

QTEST_MAIN(TestCupsPrinting)
#include "test_cups_printing.moc"

#pragma once
// A private SANE configuration for tests: a folder named by SANE_CONFIG_DIR
// (set once, before the first sane_init, since SANE keeps the folder it
// found) whose dll.conf and test.conf each test rewrites. The "test" backend
// then offers frontend-tester devices with the options written here.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace ardane::test {

class SaneTestConfig {
public:
    SaneTestConfig() { qputenv("SANE_CONFIG_DIR", m_dir.path().toLocal8Bit()); }

    [[nodiscard]] bool valid() const { return m_dir.isValid(); }
    [[nodiscard]] QString path() const { return m_dir.path(); }

    // `devices` test devices; 0 leaves dll.conf empty, so that SANE has no backend at all.
    // `options` are test.conf lines such as `mode Color`.
    bool write(int devices, const QStringList& options = {}) const
    {
        if (!writeFile(QStringLiteral("dll.conf"), devices > 0 ? QStringLiteral("test\n") : QString()))
            return false;
        QString conf = QStringLiteral("number_of_devices %1\n").arg(std::max(devices, 1));
        conf += QStringLiteral("resolution 10.0\nbr_x 80.0\nbr_y 100.0\n");
        for (const QString& line : options)
            conf += line + QLatin1Char('\n');
        return writeFile(QStringLiteral("test.conf"), conf);
    }

    // What scanimage writes for device test:0 with the same configuration, as
    // an image; null when scanimage is not installed or fails. scanimage
    // passes the scanner's lines on as they come, padding and all, so the
    // length of a line is taken from the amount of data, not the header.
    [[nodiscard]] QImage scanimageReference() const
    {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("scanimage"));
        if (tool.isEmpty())
            return {};
        QProcess p;
        p.start(tool, {QStringLiteral("-d"), QStringLiteral("test:0"), QStringLiteral("--format=pnm")});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return {};
        const QByteArray out = p.readAllStandardOutput();
        // Header: magic, comment lines, "width height", then maxval except for P4.
        QList<QByteArray> fields;
        qsizetype pos = 0;
        const int wanted = out.startsWith("P4") ? 3 : 4;
        while (fields.size() < wanted && pos < out.size()) {
            const qsizetype end = out.indexOf('\n', pos);
            if (end < 0)
                return {};
            const QByteArray line = out.mid(pos, end - pos);
            pos = end + 1;
            if (!line.startsWith('#'))
                fields += line.split(' ');
        }
        if (fields.size() != wanted)
            return {};
        const int w = fields[1].toInt();
        const int h = fields[2].toInt();
        const QByteArray data = out.mid(pos);
        if (w <= 0 || h <= 0 || data.size() % h != 0)
            return {};
        const qsizetype stride = data.size() / h;
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const uchar*>(data.constData() + y * stride);
            for (int x = 0; x < w; ++x) {
                QRgb c;
                if (fields[0] == "P6")
                    c = qRgb(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]);
                else if (fields[0] == "P5")
                    c = qRgb(row[x], row[x], row[x]);
                else
                    c = (row[x >> 3] & (0x80 >> (x & 7))) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
                image.setPixel(x, y, c);
            }
        }
        return image;
    }

private:
    bool writeFile(const QString& name, const QString& text) const
    {
        QFile f(m_dir.filePath(name));
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) == text.toUtf8().size();
    }

    QTemporaryDir m_dir;
};

} // namespace ardane::test

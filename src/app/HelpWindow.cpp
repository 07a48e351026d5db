#include "app/HelpWindow.h"

#include <QTextBrowser>
#include <QVBoxLayout>

namespace ardane {

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    auto* browser = new QTextBrowser(this);
    browser->setObjectName(QStringLiteral("manual"));
    browser->setSource(QUrl(QStringLiteral("qrc:/help/manual.html")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    setWindowTitle(QStringLiteral("Ardane Help"));
    resize(640, 560);
}

QString HelpWindow::documentTitle() const
{
    const auto* browser = findChild<QTextBrowser*>(QStringLiteral("manual"));
    return browser ? browser->documentTitle() : QString();
}

} // namespace ardane

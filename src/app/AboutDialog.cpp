#include "app/AboutDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace ardane {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Ardane"));
    auto* logo = new QLabel(this);
    logo->setPixmap(QPixmap(QStringLiteral(":/images/logo.png")));
    auto* text = new QLabel(QStringLiteral("<b>Ardane</b> version %1<br>Paint and image editing for the Linux desktop.<br>"
                                           "Copyright \u00a9 the Ardane developers.")
                                .arg(QCoreApplication::applicationVersion()),
                            this);
    text->setObjectName(QStringLiteral("aboutText"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(logo);
    layout->addWidget(text);
    layout->addWidget(buttons);
}

} // namespace ardane

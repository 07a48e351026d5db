#include "app/CArdaneApp.h"

#include "app/CChildFrame.h"
#include "app/CommandRegistry.h"
#include "app/DocumentManager.h"
#include "core/ProfileFormat.h"
#include "app/ServerRegistration.h"
#include "app/ModelessDialogs.h"
#include "app/StartupLogo.h"
#include "palettes/CAngleEdit.h"
#include "palettes/CMainToolBar.h"
#include "palettes/CPaletteSet.h"
#include "doc/LayeredFile.h"
#include "objects/CTextObj.h"
#include "doc/SaveFormats.h"
#include "view/CArdaneView.h"
#include "view/CImagingCtrl.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QEvent>
#include <QMdiArea>
#include <QSettings>
#include <QTimer>

namespace ardane {

CArdaneApp::CArdaneApp(QStringList arguments, std::unique_ptr<UiServices> ui)
    : m_arguments(std::move(arguments)), m_ui(std::move(ui)), m_layered(std::make_unique<doc::LayeredFile>())
{
    m_startTime.start();
    m_settings.display.viewBackground = 0x808000;
    m_registry = std::make_unique<CommandRegistry>([this] { return commandChain(); });
}

CArdaneApp::~CArdaneApp()
{
    qApp->removeEventFilter(this);
    // Views refer to this object: they go with the frame, before the rest.
    m_frame.reset();
}

bool CArdaneApp::InitInstance()
{
    const auto profile = openProfile();
    m_recent.read(*profile);
    readSettings(*profile, m_settings);
    m_printerResolution = queryPrinterResolution();
    // Text sizes in points become pixels at the screen's resolution.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        objects::setScreenResolution(qRound(screen->logicalDotsPerInchY()));
    m_pageSize = queryPageSizeInches([this](const QString& text) { m_ui->message(text); });

    if (m_settings.registerOcx == 0) {
        startServerRegistration(QCoreApplication::applicationFilePath());
        m_settings.registerOcx = 1;
    }

    // A start for embedding or automation is declined before any window of
    // the program appears.
    if (startedForEmbedding()) {
        m_ui->message(QStringLiteral("OLE is not yet implemented!"), MessageIcon::Information);
        return false;
    }

    m_frame = std::make_unique<CMainFrame>(*m_registry, *m_ui, m_printerResolution, m_settings.paint, m_settings.palettes);
    if (!m_frame->create(m_barsBuilder))
        return false;
    m_ui->setDialogOwner(m_frame.get());
    m_documents = new DocumentManager(*m_frame, *this, m_settings.reduction);
    connect(m_documents, &DocumentManager::pathSaved, this, [this](const QString& path) { m_recent.add(path); });
    registerFileCommands();
    registerScannerCommands();
    registerCaptureCommands();
    registerPrintCommands();
    registerHelpCommands();
    for (const auto& hook : m_frameHooks)
        hook(*m_frame, m_frame->commands());
    m_frame->setCloseGuard([this] {
        if (!m_documents->closeAll())
            return false;
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return true;
    });

    m_logo = new StartupLogo(m_frame.get());
    m_frame->showMaximized();
    m_logo->show();
    m_logo->raise();
    qApp->installEventFilter(this);
    QTimer::singleShot(std::max<qint64>(0, kLogoMilliseconds - m_startTime.elapsed()), this,
                       &CArdaneApp::dismissLogo);

    if (!m_cursors.load())
        return false;
    m_dialogs = std::make_unique<ModelessDialogs>(m_frame.get());
    m_examiner = new CImagingCtrl(kExaminerId, m_frame.get());
    m_examiner->setGeometry(0, 0, 20, 20);
    m_examiner->hide();
    return true;
}

int CArdaneApp::ExitInstance()
{
    if (!m_cursors.isLoaded())
        return 0;
    m_cursors.clear();
    const auto profile = openProfile();
    writeSettings(*profile, m_settings);
    m_recent.write(*profile);
    profile->sync();
    return profile->status() == QSettings::NoError ? 0 : 1;
}

bool CArdaneApp::startedForEmbedding() const
{
    for (const QString& arg : m_arguments.mid(1)) {
        if (arg.size() < 2 || (arg[0] != QLatin1Char('-') && arg[0] != QLatin1Char('/')))
            continue;
        const QString name = arg.mid(1);
        if (name.compare(QLatin1String("Embedding"), Qt::CaseInsensitive) == 0
            || name.compare(QLatin1String("Automation"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

std::vector<const CommandMap*> CArdaneApp::commandChain() const
{
    std::vector<const CommandMap*> chain;
    if (m_frame) {
        if (CArdaneView* view = m_frame->activeView()) {
            chain.push_back(&view->commands());
            chain.push_back(&view->document().commands());
        }
        chain.push_back(&m_frame->commands());
    }
    chain.push_back(&m_commands);
    return chain;
}

doc::CArdaneDoc* CArdaneApp::OpenDocumentFile(const QString& path)
{
    doc::CArdaneDoc* document = m_documents->openDocument(path);
    const CChildFrame* frame = m_documents->frameOf(document);
    const bool loaded = frame && frame->view() && !frame->view()->hasNoImage();
    m_frame->checkOpenedDocument();
    if (!loaded)
        return nullptr;
    m_recent.add(path);
    return document;
}

void CArdaneApp::fileOpen()
{
    OpenFileRequest request;
    for (const auto& e : doc::openFilter())
        request.filters.push_back({QString::fromLatin1(e.description), QString::fromLatin1(e.pattern)});
    request.initialEntry = doc::kOpenInitialEntry;
    request.defaultSuffix = QStringLiteral("stf");
    request.initialName = QStringLiteral("*.*");
    const auto path = m_ui->openFileName(request);
    if (!path || path->isEmpty())
        return;
    if (doc::isLayeredFile(*path)) {
        OpenDocumentFile(*path);
        return;
    }
    imaging::ImagingControl& examiner = m_examiner->control();
    if (const imaging::Result r = examiner.ProbeFile(*path, 0); r != imaging::result::Ok) {
        showImagingError(*m_ui, r);
        return;
    }
    OpenDocumentFile(*path);
}

void CArdaneApp::fileNew()
{
    ImageSizeValues values;
    values.width = m_settings.defaultDocX;
    values.height = m_settings.defaultDocY;
    values.xResolution = m_printerResolution.x;
    values.yResolution = m_printerResolution.y;
    if (!m_ui->editImageSize(values))
        return;
    m_settings.defaultDocX = values.width;
    m_settings.defaultDocY = values.height;
    m_printerResolution = {values.xResolution, values.yResolution};
    m_documents->newDocument({values.width, values.height, values.xResolution, values.yResolution});
    // An image that could not be made leaves no empty window behind.
    m_frame->checkOpenedDocument();
}

void CArdaneApp::refreshStatus()
{
    if (m_frame)
        m_frame->refreshStatusPanes();
}

void CArdaneApp::marginToggled(int delta)
{
    for (CArdaneView* view : m_documents->views())
        view->applyMarginChange(delta);
}

void CArdaneApp::viewBackgroundChanged()
{
    for (CArdaneView* view : m_documents->views())
        view->viewport()->update();
}

int CArdaneApp::currentTool() const
{
    return m_frame ? m_frame->palettes().currentTool() : 0;
}

int CArdaneApp::currentBrushStyle() const
{
    return m_frame ? m_frame->palettes().currentBrushStyle() : 0;
}

int CArdaneApp::currentSprayStyle() const
{
    return m_frame ? m_frame->palettes().currentSprayStyle() : 0;
}

void CArdaneApp::snapPenColor()
{
    if (m_frame)
        m_frame->snapColor(true);
}

AdjustDialogs CArdaneApp::adjustDialogs()
{
    return m_dialogs ? m_dialogs->handles() : AdjustDialogs{};
}

PlanesPanel* CArdaneApp::openPlanesDialog(CArdaneView& view)
{
    return m_dialogs ? m_dialogs->openPlanes(view) : nullptr;
}

void CArdaneApp::snapBackgroundColor()
{
    if (m_frame)
        m_frame->snapColor(false);
}

void CArdaneApp::penColorChanged()
{
    if (m_frame)
        m_frame->updateColorWells();
}

void CArdaneApp::refreshCommandStates()
{
    m_registry->updateAll();
}

FontState CArdaneApp::toolbarFont() const
{
    if (m_frame && m_frame->toolBar())
        return m_frame->toolBar()->fontState();
    return {};
}

void CArdaneApp::showToolbarFont(const FontState& font)
{
    if (m_frame && m_frame->toolBar())
        m_frame->toolBar()->setFontState(font);
}

int CArdaneApp::rotationAngle() const
{
    if (m_frame && m_frame->toolBar())
        return static_cast<int>(m_frame->toolBar()->angleEdit().angle());
    return 0;
}

void CArdaneApp::showContextMenu(int kind, const QPoint& globalPos)
{
    if (m_frame)
        m_frame->showPopupMenu(kind, globalPos);
}

void CArdaneApp::dismissLogo()
{
    if (m_logo.isNull())
        return;
    delete m_logo.data();
    qApp->removeEventFilter(this);
    if (m_frame)
        m_frame->update();
}

bool CArdaneApp::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_logo.isNull()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::KeyPress:
            QTimer::singleShot(0, this, &CArdaneApp::dismissLogo);
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ardane

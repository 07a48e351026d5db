#include "app/DocumentManager.h"

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "view/CArdaneView.h"

#include <QFileInfo>
#include <QMdiArea>

#include <algorithm>

namespace ardane {

DocumentManager::DocumentManager(CMainFrame& frame, ViewHost& host, doc::ColorReduction& reduction)
    : QObject(&frame), m_frame(frame), m_host(host), m_reduction(reduction)
{
}

DocumentManager::~DocumentManager()
{
    // Windows still open (the frame goes first) must not reach a deleted document.
    for (Entry& e : m_entries)
        if (e.frame)
            e.frame->disconnect(this);
}

doc::CArdaneDoc* DocumentManager::newDocument(const doc::NewImageRequest& request)
{
    auto document = std::make_unique<doc::CArdaneDoc>(m_reduction, ++m_untitled);
    document->OnNewDocument(request);
    return create(std::move(document));
}

doc::CArdaneDoc* DocumentManager::newDocumentWithImage(const imaging::Bitmap& image)
{
    auto document = std::make_unique<doc::CArdaneDoc>(m_reduction, ++m_untitled);
    document->OnNewDocumentFromImage(image);
    return create(std::move(document));
}

doc::CArdaneDoc* DocumentManager::openDocument(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    for (const Entry& e : m_entries) {
        if (!e.doc->path().isEmpty() && QFileInfo(e.doc->path()).absoluteFilePath() == full) {
            m_frame.mdiArea()->setActiveSubWindow(e.frame);
            return e.doc.get();
        }
    }
    auto document = std::make_unique<doc::CArdaneDoc>(m_reduction, 0);
    document->OnOpenDocument(full);
    return create(std::move(document));
}

doc::CArdaneDoc* DocumentManager::create(std::unique_ptr<doc::CArdaneDoc> document)
{
    doc::CArdaneDoc* d = document.get();
    auto* view = new CArdaneView(m_host, *d);
    auto* frame = new CChildFrame(view); // the MDI area takes it over in addChild
    m_entries.push_back(Entry{std::move(document), frame});

    frame->setWindowTitle(d->title());
    connect(d, &doc::CArdaneDoc::titleChanged, frame, &QWidget::setWindowTitle);
    connect(d, &doc::CArdaneDoc::pathSaved, this, &DocumentManager::pathSaved);
    connect(d, &doc::CArdaneDoc::imageChanged, &m_frame, &CMainFrame::refreshStatusPanes);
    frame->setCloseGuard([this, d] { return saveModified(*d); });
    connect(frame, &QObject::destroyed, this, [this, frame] {
        std::erase_if(m_entries, [frame](const Entry& e) { return e.frame == frame; });
    });

    m_frame.addChild(frame);
    view->OnInitialUpdate();
    // Open the window at the image's size where the area has room for it.
    const QSize area = m_frame.mdiArea()->viewport()->size();
    frame->adjustSize();
    frame->resize(std::min(frame->width(), area.width()), std::min(frame->height(), area.height()));
    frame->show();
    m_frame.mdiArea()->setActiveSubWindow(frame);
    m_frame.refreshStatusPanes();
    return d;
}

bool DocumentManager::saveModified(doc::CArdaneDoc& document)
{
    if (!document.isModified())
        return true;
    switch (m_host.ui().askSaveChanges(document.title())) {
    case SaveChangesAnswer::Yes: return document.OnSaveDocument();
    case SaveChangesAnswer::No: return true;
    case SaveChangesAnswer::Cancel: return false;
    }
    return false;
}

bool DocumentManager::closeAll()
{
    // Ask first about every document, then close: a cancel leaves all open.
    for (const Entry& e : m_entries)
        if (!saveModified(*e.doc))
            return false;
    std::vector<CChildFrame*> frames;
    for (const Entry& e : m_entries)
        frames.push_back(e.frame);
    for (CChildFrame* f : frames)
        f->closeWithoutAsking();
    return true;
}

std::vector<CArdaneView*> DocumentManager::views() const
{
    std::vector<CArdaneView*> result;
    for (const Entry& e : m_entries)
        if (e.frame && e.frame->view())
            result.push_back(e.frame->view());
    return result;
}

CChildFrame* DocumentManager::frameOf(const doc::CArdaneDoc* document) const
{
    for (const Entry& e : m_entries)
        if (e.doc.get() == document)
            return e.frame;
    return nullptr;
}

} // namespace ardane

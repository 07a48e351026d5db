#pragma once
// The document template's work: creating a document with its window and view,
// finding an open document by path, and closing documents with the
// "save changes?" question.

#include "doc/CArdaneDoc.h"

#include <QObject>

#include <memory>
#include <vector>

namespace ardane {

class CArdaneView;
class CChildFrame;
class CMainFrame;
class ViewHost;

class DocumentManager : public QObject {
    Q_OBJECT
public:
    DocumentManager(CMainFrame& frame, ViewHost& host, doc::ColorReduction& reduction);
    ~DocumentManager() override;

    // A new image of the given size, shown in a new window.
    doc::CArdaneDoc* newDocument(const doc::NewImageRequest& request);
    // The document of a file: an open one is activated, else a new window reads it.
    doc::CArdaneDoc* openDocument(const QString& path);
    // A new untitled document holding a picture from a capture or a scanner.
    doc::CArdaneDoc* newDocumentWithImage(const imaging::Bitmap& image);
    // Asks about every modified document; false when the user cancels.
    [[nodiscard]] bool closeAll();

    [[nodiscard]] std::vector<CArdaneView*> views() const;
    [[nodiscard]] std::size_t count() const { return m_entries.size(); }
    [[nodiscard]] CChildFrame* frameOf(const doc::CArdaneDoc* document) const;

    // The framework's question before a modified document goes; true when it may go.
    [[nodiscard]] bool saveModified(doc::CArdaneDoc& document);

signals:
    void pathSaved(const QString& path);

private:
    struct Entry {
        std::unique_ptr<doc::CArdaneDoc> doc;
        CChildFrame* frame = nullptr;
    };
    doc::CArdaneDoc* create(std::unique_ptr<doc::CArdaneDoc> document);

    CMainFrame& m_frame;
    ViewHost& m_host;
    doc::ColorReduction& m_reduction;
    std::vector<Entry> m_entries;
    int m_untitled = 0;
};

} // namespace ardane

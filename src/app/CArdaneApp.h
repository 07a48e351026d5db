#pragma once
// The application: start-up and exit, the profile's settings, the recent-file
// list, File New and File Open, and the services views ask of the program.

#include "app/AppSettings.h"
#include "app/CMainFrame.h"
#include "core/CommandMap.h"
#include "app/CursorTable.h"
#include "app/PrinterQueries.h"
#include "app/RecentFileList.h"
#include "view/CTextEditWnd.h"
#include "view/ClipboardBuffer.h"
#include "view/ViewHost.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QPrinter>
#include <QSizeF>
#include <QStringList>

#include <functional>
#include <memory>

class QSettings;

namespace ardane {

class CImagingCtrl;
class CommandRegistry;
class DocumentManager;
class HelpWindow;
class ModelessDialogs;
class StartupLogo;

class CArdaneApp : public QObject, public ViewHost {
    Q_OBJECT
public:
    static constexpr int kLogoMilliseconds = 3000;
    static constexpr int kExaminerId = 222;

    CArdaneApp(QStringList arguments, std::unique_ptr<UiServices> ui);
    ~CArdaneApp() override;

    // Start-up; false to quit.
    [[nodiscard]] bool InitInstance();
    // Writes the settings back (when start-up got far enough); the exit code.
    int ExitInstance();

    // Opens a file as a document, then drops it again when its view could not read it.
    doc::CArdaneDoc* OpenDocumentFile(const QString& path);
    void fileOpen();
    void fileNew();

    // Seams for the parts built around the shell.
    void setLayeredFormat(std::unique_ptr<doc::LayeredFormat> format) { m_layered = std::move(format); }
    void setBarsBuilder(CMainFrame::BarsBuilder builder) { m_barsBuilder = std::move(builder); }
    void addFrameCommandHook(CMainFrame::CommandHook hook) { m_frameHooks.push_back(std::move(hook)); }

    [[nodiscard]] AppSettings& settings() { return m_settings; }
    [[nodiscard]] RecentFileList& recentFiles() { return m_recent; }
    [[nodiscard]] CMainFrame* mainFrame() const { return m_frame.get(); }
    [[nodiscard]] CommandRegistry& commands() const { return *m_registry; }
    [[nodiscard]] DocumentManager& documents() const { return *m_documents; }
    [[nodiscard]] PrinterResolution& printerResolution() { return m_printerResolution; }
    [[nodiscard]] QSizeF pageSize() const { return m_pageSize; }
    [[nodiscard]] const CursorTable& cursors() const { return m_cursors; }
    // The printer that printing uses, as Print Setup last left it.
    [[nodiscard]] QPrinter& printer();
    // Where Print Setup learns which printers exist (the print system by default).
    void setPrinterNamesSource(std::function<QStringList()> source) { m_printerNames = std::move(source); }
    [[nodiscard]] bool isLogoShown() const { return !m_logo.isNull(); }
    [[nodiscard]] CommandMap& appCommands() { return m_commands; }
    void dismissLogo();

    // ViewHost
    [[nodiscard]] UiServices& ui() override { return *m_ui; }
    [[nodiscard]] DisplayPrefs& displayPrefs() override { return m_settings.display; }
    [[nodiscard]] ColorRef backgroundColor() const override { return m_settings.paint.backgroundColor; }
    [[nodiscard]] doc::LayeredFormat& layeredFormat() override { return *m_layered; }
    void refreshStatus() override;
    void marginToggled(int delta) override;
    void viewBackgroundChanged() override;
    [[nodiscard]] PaintSettings& paintSettings() override { return m_settings.paint; }
    [[nodiscard]] int currentTool() const override;
    [[nodiscard]] int currentBrushStyle() const override;
    [[nodiscard]] int currentSprayStyle() const override;
    [[nodiscard]] QCursor cursorNamed(std::string_view name) const override { return m_cursors.cursorNamed(name); }
    void snapPenColor() override;
    void snapBackgroundColor() override;
    void penColorChanged() override;
    void refreshCommandStates() override;
    void showContextMenu(int kind, const QPoint& globalPos) override;
    [[nodiscard]] ClipboardBuffer& clipboard() override { return m_clipboard; }
    [[nodiscard]] CTextEditWnd& textEntry() override { return m_textEntry; }
    [[nodiscard]] FontState toolbarFont() const override;
    void showToolbarFont(const FontState& font) override;
    [[nodiscard]] int rotationAngle() const override;
    [[nodiscard]] AdjustDialogs adjustDialogs() override;
    [[nodiscard]] PlanesPanel* openPlanesDialog(CArdaneView& view) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] std::vector<const CommandMap*> commandChain() const;
    [[nodiscard]] bool startedForEmbedding() const;
    void registerFileCommands();
    void registerHelpCommands();
    void registerScannerCommands();
    void registerCaptureCommands();
    void registerPrintCommands();
    void updateRecentFileMenu();
    void printSetup();
    void showAbout();
    void showHelp();

    QStringList m_arguments;
    std::unique_ptr<UiServices> m_ui;
    std::unique_ptr<doc::LayeredFormat> m_layered;
    QElapsedTimer m_startTime;
    AppSettings m_settings;
    RecentFileList m_recent;
    PrinterResolution m_printerResolution;
    QSizeF m_pageSize{8.5, 11.0};
    std::unique_ptr<QPrinter> m_printer; // made on first use: it asks the print system
    std::function<QStringList()> m_printerNames;
    CursorTable m_cursors;
    ClipboardBuffer m_clipboard;
    CTextEditWnd m_textEntry;
    CommandMap m_commands;
    std::unique_ptr<CommandRegistry> m_registry;
    // Before the frame, so that it outlives the views the frame closes.
    std::unique_ptr<ModelessDialogs> m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;
    DocumentManager* m_documents = nullptr; // owned by the frame
    CImagingCtrl* m_examiner = nullptr;     // hidden, owned by the frame
    QPointer<StartupLogo> m_logo;
    QPointer<HelpWindow> m_help;
    CMainFrame::BarsBuilder m_barsBuilder;
    std::vector<CMainFrame::CommandHook> m_frameHooks;
};

} // namespace ardane

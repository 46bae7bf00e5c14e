#include "common/ui/ShowMemo.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/infra/Translate.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/HintKey.h"
#include "common/ui/LogView.h"
#include "common/ui/ShowMessageDlg.h"

namespace {

std::function<void(TShowTextDialog&)>& ShowHook()
{
    static std::function<void(TShowTextDialog&)> hook;
    return hook;
}

std::function<bool(QPrinter&)>& PrintHook()
{
    static std::function<bool(QPrinter&)> hook;
    return hook;
}

// Larger files are not read at all: the viewer shows the error line instead.
constexpr qint64 kMaxFileSize = qint64(512) * 1024 * 1024;
constexpr QSize kDefaultSize{800, 560};
constexpr int kMinFontSize = 6;
constexpr int kMaxFontSize = 24;
// Space below the page header, in tenths of a millimetre.
constexpr int kHeaderGap = 20;
constexpr int kRowGap = 3;
constexpr int kMaxFileLine = 80;
// Page size in tenths of a millimetre when the printer does not know its own.
constexpr QSize kUnknownPage{2000, 2900};

// A button of the tool row: the bit that offers it, where it lives, its caption (none: an
// icon-only button) and hint.
struct TToolButtonDef {
    TShowDlgBtn bit;
    QToolButton* TShowTextDialog::*member;
    const char* name;
    const char* caption;
    const char* hint;
    QStyle::StandardPixmap icon;
};

// In the order the buttons are placed from the left.
const TToolButtonDef kToolButtons[] = {
    {sbOpen, &TShowTextDialog::bbOpen, "bbOpen", TrDialogsNoop("Open"), TrDialogsNoop("Open file"),
     QStyle::SP_DialogOpenButton},
    {sbOpen, &TShowTextDialog::bbReload, "bbReload", nullptr, TrDialogsNoop("Update"),
     QStyle::SP_BrowserReload},
    {sbFont, &TShowTextDialog::bbFont, "bbFont", nullptr, TrDialogsNoop("Select font"),
     QStyle::SP_FileDialogDetailedView},
    {sbCodepage, &TShowTextDialog::bbCodePage, "bbCodePage", nullptr,
     TrDialogsNoop("Select codepage"), QStyle::SP_FileDialogListView},
    {sbPrint, &TShowTextDialog::bbPrint, "bbPrint", TrDialogsNoop("Print"),
     TrDialogsNoop("Print text"), QStyle::SP_FileIcon},
    {sbErase, &TShowTextDialog::bbErase, "bbErase", TrDialogsNoop("Delete"),
     TrDialogsNoop("Delete selected text"), QStyle::SP_TrashIcon},
    {sbSearch, &TShowTextDialog::bbSearch, "bbSearch", TrDialogsNoop("Search"),
     TrDialogsNoop("Search text"), QStyle::SP_FileDialogContentsView},
    {sbSection, &TShowTextDialog::bbPrevSect, "bbPrevSect", nullptr, nullptr, QStyle::SP_ArrowUp},
    {sbSection, &TShowTextDialog::bbNextSect, "bbNextSect", nullptr, nullptr, QStyle::SP_ArrowDown},
    {sbError, &TShowTextDialog::bbPrevErr, "bbPrevErr", nullptr, nullptr,
     QStyle::SP_MediaSeekBackward},
    {sbError, &TShowTextDialog::bbNextErr, "bbNextErr", nullptr, nullptr,
     QStyle::SP_MediaSeekForward},
};

void SetHint(QWidget* control, const QString& hint)
{
    control->setToolTip(hint);
    control->setAccessibleName(hint);
}

// A navigation button keeps a name of its own when the caller gives it no hint.
void SetNavigationHint(QWidget* button, const QString& hint, const char* fallback)
{
    SetHint(button, hint.isEmpty() ? TrDialogs(fallback) : hint);
}

QFont StyledFont(const QString& name, int size, int style)
{
    QFont font(name);
    if (size > 0)
        font.setPointSize(size);
    font.setBold(style & fsBold);
    font.setItalic(style & fsItalic);
    font.setUnderline(style & fsUnderline);
    font.setStrikeOut(style & fsStrikeOut);
    return font;
}

int FontStyleOf(const QFont& font)
{
    return (font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0) |
           (font.underline() ? fsUnderline : 0) | (font.strikeOut() ? fsStrikeOut : 0);
}

} // namespace

QString FileDialogFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        entries.append(parts[i] + QStringLiteral(" (") + patterns + u')');
    }
    return entries.join(QStringLiteral(";;"));
}

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFindDialog"));
    setWindowTitle(TrDialogs("Search"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* label = new QLabel(TrDialogs("Search for:"), this);
    label->setObjectName(QStringLiteral("lbFind"));
    edFind = new QLineEdit(this);
    edFind->setObjectName(QStringLiteral("edFind"));
    label->setBuddy(edFind);
    cbCase = new QCheckBox(TrDialogs("Match case"), this);
    cbCase->setObjectName(QStringLiteral("cbCase"));
    cbWord = new QCheckBox(TrDialogs("Whole words only"), this);
    cbWord->setObjectName(QStringLiteral("cbWord"));
    auto* direction = new QGroupBox(TrDialogs("Direction"), this);
    direction->setObjectName(QStringLiteral("gbDirection"));
    rbUp = new QRadioButton(TrDialogs("Up"), direction);
    rbUp->setObjectName(QStringLiteral("rbUp"));
    rbDown = new QRadioButton(TrDialogs("Down"), direction);
    rbDown->setObjectName(QStringLiteral("rbDown"));
    rbDown->setChecked(true);
    auto* dirLayout = new QHBoxLayout(direction);
    dirLayout->addWidget(rbUp);
    dirLayout->addWidget(rbDown);
    btFind = new QPushButton(TrDialogs("Find next"), this);
    btFind->setObjectName(QStringLiteral("btFind"));
    btFind->setDefault(true);
    btClose = new QPushButton(TrDialogs("Close"), this);
    btClose->setObjectName(QStringLiteral("btClose"));
    connect(btFind, &QPushButton::clicked, this, &TFindDialog::Find);
    connect(btClose, &QPushButton::clicked, this, &QDialog::hide);
    auto* fieldRow = new QHBoxLayout;
    fieldRow->addWidget(label);
    fieldRow->addWidget(edFind, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btFind);
    buttons->addWidget(btClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fieldRow);
    layout->addWidget(cbCase);
    layout->addWidget(cbWord);
    layout->addWidget(direction);
    layout->addLayout(buttons);
}

QString TFindDialog::FindText() const
{
    return edFind->text();
}

void TFindDialog::SetFindText(const QString& text)
{
    edFind->setText(text);
}

TSearchOptions TFindDialog::Options() const
{
    return {rbDown->isChecked(), cbCase->isChecked(), cbWord->isChecked()};
}

void TFindDialog::SetDown(bool down)
{
    (down ? rbDown : rbUp)->setChecked(true);
}

TShowTextDialog::TShowTextDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TShowTextDialog"));
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    auto* tools = new QHBoxLayout;
    tools->setSpacing(2);
    for (const TToolButtonDef& def : kToolButtons) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(def.name));
        button->setIcon(style()->standardIcon(def.icon));
        button->setAutoRaise(true);
        if (def.caption) {
            button->setText(TrDialogs(def.caption));
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
        if (def.hint)
            SetHint(button, TrDialogs(def.hint));
        if (def.caption)
            button->setAccessibleName(TrDialogs(def.caption));
        this->*def.member = button;
        tools->addWidget(button);
    }
    tools->addStretch();
    bbClose = new QPushButton(TrDialogs("Close"), this);
    bbClose->setObjectName(QStringLiteral("bbClose"));
    bbClose->setAutoDefault(false);
    tools->addWidget(bbClose);

    Memo = new TLogView(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setAccessibleName(TrDialogs("Text"));
    stLine = new QLabel(this);
    stLine->setObjectName(QStringLiteral("stLine"));
    stLine->setAccessibleName(TrDialogs("Line"));
    stLine->setFrameShape(QFrame::StyledPanel);
    stInfo = new QLabel(this);
    stInfo->setObjectName(QStringLiteral("stInfo"));
    stInfo->setAccessibleName(TrDialogs("Status"));
    stInfo->setFrameShape(QFrame::StyledPanel);
    auto* status = new QHBoxLayout;
    status->addWidget(stLine);
    status->addWidget(stInfo, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(Memo, 1);
    layout->addLayout(status);

    lbCodePage = new QListWidget(this);
    lbCodePage->setObjectName(QStringLiteral("lbCodePage"));
    lbCodePage->setAccessibleName(TrDialogs("Select codepage"));
    lbCodePage->setWindowFlags(Qt::Popup);
    lbCodePage->hide();
    FindDialog = new TFindDialog(this);
    FindDialog->hide();

    connect(bbOpen, &QToolButton::clicked, this, &TShowTextDialog::OpenClick);
    connect(bbReload, &QToolButton::clicked, this, &TShowTextDialog::LoadText);
    connect(bbFont, &QToolButton::clicked, this, &TShowTextDialog::ChooseFont);
    connect(bbCodePage, &QToolButton::clicked, this, &TShowTextDialog::ShowCodePageList);
    connect(bbPrint, &QToolButton::clicked, this, &TShowTextDialog::PrintText);
    connect(bbErase, &QToolButton::clicked, this, &TShowTextDialog::DeleteSelection);
    connect(bbSearch, &QToolButton::clicked, this, [this] {
        FindDialog->move(bbSearch->mapToGlobal(QPoint(0, bbSearch->height())));
        FindDialog->show();
        FindDialog->raise();
        FindDialog->edFind->setFocus();
    });
    connect(bbPrevSect, &QToolButton::clicked, this, [this] { GoSection(false); });
    connect(bbNextSect, &QToolButton::clicked, this, [this] { GoSection(true); });
    connect(bbPrevErr, &QToolButton::clicked, this, [this] { GoError(false); });
    connect(bbNextErr, &QToolButton::clicked, this, [this] { GoError(true); });
    connect(bbClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(FindDialog, &TFindDialog::Find, this, [this] { SearchAgain(); });
    connect(Memo, &TLogView::CaretMoved, this, &TShowTextDialog::UpdateStatus);
    connect(Memo, &TLogView::DeleteRequested, this, &TShowTextDialog::DeleteSelection);
    connect(lbCodePage, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        lbCodePage->hide();
        ChooseCodePage(FCodePageNumbers[size_t(lbCodePage->row(item))]);
    });
    connect(lbCodePage, &QListWidget::itemClicked, lbCodePage, &QListWidget::itemActivated);
    InstallHintKey(this);
    ExportPath = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    resize(kDefaultSize);
    UpdateStatus();
}

TShowTextDialog::~TShowTextDialog()
{
    SaveViewSettings();
}

void TShowTextDialog::LayoutButtons(TShowDlgButtons buttons)
{
    for (const TToolButtonDef& def : kToolButtons)
        (this->*def.member)->setVisible(buttons & ShowBtn(def.bit));
}

bool TShowTextDialog::Execute(const QString& Title, const QString& TextDatei,
                              const QString& PrevCap1, const QString& NextCap1,
                              const QString& SrchText1, const QString& PrevCap2,
                              const QString& NextCap2, const QString& SrchText2,
                              const QString& Filter, const QPoint& APos, int Line,
                              TShowDlgType DlgType, TShowDlgButtons Buttons,
                              const TPrinterSettings& PrtSettings, int CodePage)
{
    if (isVisible()) {
        if (QFileInfo::exists(TextDatei))
            LoadText();
        raise();
        activateWindow();
        return true;
    }
    FPrinterSettings = PrtSettings;
    if (!PosFromIni)
        PlaceDialog(*this, APos);
    FTitle = Title;
    setWindowTitle(Title + QStringLiteral(" [") + TextDatei + u']');
    FFilter = Filter;
    LPos = Line;
    LayoutButtons(Buttons);
    if (Buttons & ShowBtn(sbSection)) {
        SectText = SrchText1;
        SetNavigationHint(bbPrevSect, PrevCap1, TrDialogsNoop("Previous section"));
        SetNavigationHint(bbNextSect, NextCap1, TrDialogsNoop("Next section"));
    }
    if (Buttons & ShowBtn(sbError)) {
        ErrText = SrchText2;
        SetNavigationHint(bbPrevErr, PrevCap2, TrDialogsNoop("Previous error"));
        SetNavigationHint(bbNextErr, NextCap2, TrDialogsNoop("Next error"));
    }
    if (Buttons & ShowBtn(sbCodepage))
        FillCodePageList();
    if (FCodePage == 0)
        FCodePage = CodePage;
    FDlgType = DlgType;
    if (!QFileInfo::exists(TextDatei)) {
        ErrorMessage(TrDialogs("File: ") + Fmt(TrDialogs("\"%s\" not found!"), {TextDatei}));
        return false;
    }
    FTextName = TextDatei;
    ShowWindow(DlgType);
    return true;
}

void TShowTextDialog::ShowWindow(TShowDlgType type)
{
    if (!FPrinterSettings.PrtName.isEmpty() &&
        !QPrinterInfo::availablePrinterNames().contains(FPrinterSettings.PrtName))
        FPrinterSettings.PrtName.clear();
    if (LWidth > 0)
        resize(LWidth, height());
    LoadText();
    if (type == stModal) {
        if (ShowHook())
            QTimer::singleShot(0, this, [this] { ShowHook()(*this); });
        KeepOnScreen(*this);
        exec();
        return;
    }
    show();
    KeepOnScreen(*this);
    raise();
    activateWindow();
    if (ShowHook())
        ShowHook()(*this);
}

void TShowTextDialog::closeEvent(QCloseEvent* event)
{
    LWidth = width();
    FindDialog->hide();
    QDialog::closeEvent(event);
}

void TShowTextDialog::LoadViewSettings(const QString& AIniName)
{
    TViewSettings view{y(),
                       x(),
                       height(),
                       width(),
                       ExportPath,
                       Memo->font().family(),
                       Memo->font().pointSize(),
                       FontStyleOf(Memo->font())};
    if (!ReadViewSettings(AIniName, view))
        return;
    FIniName = AIniName;
    PosFromIni = true;
    move(view.Left, view.Top);
    if (view.Width > 0 && view.Height > 0)
        resize(view.Width, view.Height);
    ExportPath = view.ExportPath;
    SetDisplayFont(StyledFont(view.FontName, view.FontSize, view.FontStyle));
}

void TShowTextDialog::SaveViewSettings()
{
    if (FIniName.isEmpty())
        return;
    const QFont font = Memo->font();
    WriteViewSettings(FIniName, {y(), x(), height(), width(), ExportPath, font.family(),
                                 font.pointSize(), FontStyleOf(font)});
}

void TShowTextDialog::ReloadText()
{
    if (isVisible())
        LoadText();
}

void TShowTextDialog::LoadText()
{
    QFile file(FTextName);
    std::optional<TDecodedText> read;
    if (file.open(QIODevice::ReadOnly) && file.size() <= kMaxFileSize)
        read = DecodeLogDevice(file, FCodePage);
    if (!read) {
        Memo->SetText(QStringLiteral("*** ") +
                      Fmt(TrDialogs("Error loading file: \"%s\""), {FTextName}));
        return;
    }
    TDecodedText& decoded = *read;
    if (decoded.invalid) {
        InfoMessageAt(bbCodePage->mapToGlobal(QPoint(0, bbCodePage->height())),
                      TrDialogs("Invalid code page - Windows default is used!"));
        FCodePage = kAnsiCodePage;
    }
    FUsedCodePage = decoded.codePage;
    Memo->SetText(std::move(decoded.text));
    PlaceCaretAfterLoad();
    FindDialog->SetDown(false);
}

void TShowTextDialog::PlaceCaretAfterLoad()
{
    const TLineIndex& lines = Memo->Lines();
    if (LPos >= 1 && LPos <= lines.Count() - 1) {
        Memo->SetCaret(lines.Start(LPos - 1));
        return;
    }
    Memo->SetCaret(lines.Start(lines.Count() - 1));
    Memo->ScrollToLine(lines.Count());
}

void TShowTextDialog::UpdateStatus()
{
    stLine->setText(Fmt(TrDialogs(" Line: %u of %u"), {QString::number(Memo->CaretLine() + 1),
                                                       QString::number(Memo->Lines().Count())}));
}

QString TShowTextDialog::StatusLine() const
{
    return stLine->text();
}

QString TShowTextDialog::StatusInfo() const
{
    return stInfo->text();
}

void TShowTextDialog::OpenFile(const QString& fileName)
{
    FTextName = fileName;
    setWindowTitle(FTitle + QStringLiteral(" [") + fileName + u']');
    LoadText();
}

void TShowTextDialog::OpenClick()
{
    const QString folder = FTextName.isEmpty() ? QString() : QFileInfo(FTextName).absolutePath();
    const QString chosen =
        QFileDialog::getOpenFileName(this, FTitle, folder, FileDialogFilter(FFilter));
    if (!chosen.isEmpty())
        OpenFile(chosen);
}

void TShowTextDialog::FillCodePageList()
{
    if (lbCodePage->count() > 0)
        return;
    lbCodePage->addItems(CodePageChoice(FCodePageNumbers));
}

void TShowTextDialog::ShowCodePageList()
{
    FillCodePageList();
    const auto it = std::find(FCodePageNumbers.begin(), FCodePageNumbers.end(), FCodePage);
    if (it != FCodePageNumbers.end())
        lbCodePage->setCurrentRow(int(it - FCodePageNumbers.begin()));
    lbCodePage->move(bbCodePage->mapToGlobal(QPoint(0, bbCodePage->height())));
    lbCodePage->resize(lbCodePage->sizeHintForColumn(0) + 40, Memo->height());
    lbCodePage->show();
    lbCodePage->setFocus();
}

void TShowTextDialog::ChooseCodePage(int codePage)
{
    FCodePage = codePage;
    LoadText();
}

void TShowTextDialog::SetDisplayFont(const QFont& font)
{
    QFont shown = font;
    shown.setPointSize(
        std::clamp(font.pointSize() > 0 ? font.pointSize() : 10, kMinFontSize, kMaxFontSize));
    Memo->setFont(shown);
}

void TShowTextDialog::ChooseFont()
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, Memo->font(), this, TrDialogs("Select font"),
                                            QFontDialog::MonospacedFonts);
    if (ok)
        SetDisplayFont(font);
}

void TShowTextDialog::GoSection(bool next)
{
    GoMark(SectText, next, TrDialogsNoop("No further sections!"));
}

void TShowTextDialog::GoError(bool next)
{
    GoMark(ErrText, next, TrDialogsNoop("No further errors!"));
}

void TShowTextDialog::GoMark(const QString& mark, bool next, const char* noneText)
{
    FindDialog->SetFindText(mark);
    FindDialog->SetDown(next);
    if (Search(mark, FindDialog->Options()))
        return;
    Memo->SetCaret(next ? Memo->Text().size() : 0);
    stInfo->setText(TrDialogs(noneText));
}

bool TShowTextDialog::Search(const QString& what, const TSearchOptions& options)
{
    const qsizetype from = options.down ? Memo->SelectionEnd() : Memo->SelectionStart();
    const qsizetype pos = FindInText(Memo->Text(), what, from, options);
    if (pos < 0)
        return false;
    Memo->Select(pos, pos + what.size());
    stInfo->clear();
    const qsizetype line = Memo->Lines().LineOf(pos);
    const qsizetype first = Memo->FirstVisibleLine();
    // Show a little of what follows a match found downward.
    if (options.down && line != first)
        Memo->ScrollToLine(std::min(first + 2, line));
    return true;
}

bool TShowTextDialog::SearchAgain(bool reverse)
{
    const QString what = FindDialog->FindText();
    if (what.isEmpty()) {
        bbSearch->click();
        return false;
    }
    TSearchOptions options = FindDialog->Options();
    options.down = options.down != reverse;
    if (Search(what, options))
        return true;
    InfoMessage(Fmt(TrDialogs("\"%s\" not found!"), {what}));
    return false;
}

void TShowTextDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Find)) {
        bbSearch->click();
    } else if (event->key() == Qt::Key_F3) {
        SearchAgain(event->modifiers() & Qt::ShiftModifier);
    } else {
        QDialog::keyPressEvent(event);
    }
}

void TShowTextDialog::SelectPrinter(QPrinter& printer)
{
    if (FPrinterSettings.PrtName.isEmpty())
        return;
    if (QPrinterInfo::availablePrinterNames().contains(FPrinterSettings.PrtName))
        printer.setPrinterName(FPrinterSettings.PrtName);
    else
        FPrinterSettings.PrtName.clear();
}

void TShowTextDialog::PrintText()
{
    if (FPrinting)
        return;
    const TLineIndex& lines = Memo->Lines();
    qsizetype first = 0;
    qsizetype last = lines.Count() - 1;
    if (Memo->HasSelection() && ConfirmMessage(TrDialogs("Print selected lines?"))) {
        first = lines.LineOf(Memo->SelectionStart());
        last = lines.LineOf(Memo->SelectionEnd());
        // A selection that ends at the start of a line does not take that line.
        if (last > first && lines.Start(last) == Memo->SelectionEnd())
            --last;
    }
    QPrinter printer(QPrinter::HighResolution);
    SelectPrinter(printer);
    const bool go = PrintHook() ? PrintHook()(printer)
                                : QPrintDialog(&printer, this).exec() == QDialog::Accepted;
    if (go)
        PrintLines(printer, first, last);
}

namespace {

// Page geometry of a printout, in tenths of a millimetre.
struct TPageFrame {
    int left, top, right, bottom;
};

TPageFrame UsableArea(const QSize& page, const TMarginRect& margins, int rowHeight)
{
    TPageFrame frame{margins.Left, margins.Top, page.width() - margins.Right,
                     page.height() - margins.Bottom};
    // Margins that leave no room for the header and a row fall back to the usual ones.
    if (frame.right - frame.left < 10 * rowHeight ||
        frame.bottom - frame.top < 4 * rowHeight + kHeaderGap)
        return UsableArea(page, TPrinterSettings().Margins, 0);
    return frame;
}

} // namespace

void TShowTextDialog::PrintLines(QPrinter& printer, qsizetype first, qsizetype last)
{
    FPrinting = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    printer.setFullPage(true);
    printer.setPageOrientation(FPrinterSettings.Orientation == 1 ? QPageLayout::Landscape
                                                                 : QPageLayout::Portrait);
    const QRectF paperMm = printer.pageLayout().fullRect(QPageLayout::Millimeter);
    const QSize page = paperMm.isEmpty()
                           ? kUnknownPage
                           : QSize(qRound(paperMm.width() * 10), qRound(paperMm.height() * 10));
    const qreal px = printer.resolution() / 254.0; // device pixels per tenth of a millimetre
    const int fontHeight = PrintFontHeight(FPrinterSettings.FontSize);
    const int rowHeight = fontHeight + kRowGap;
    const TPageFrame area = UsableArea(page, FPrinterSettings.Margins, rowHeight);
    QFont font = StyledFont(FPrinterSettings.FontName, 0, FPrinterSettings.FontStyle);
    font.setPixelSize(std::max(1, qRound(fontHeight * px)));
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF metrics(font, &printer);
    const QFontMetricsF boldMetrics(bold, &printer);
    const qreal widthPx = (area.right - area.left) * px;
    const auto fits = [&](const QString& row) { return metrics.horizontalAdvance(row) <= widthPx; };

    QPainter painter;
    if (!painter.begin(&printer)) {
        QApplication::restoreOverrideCursor();
        FPrinting = false;
        ErrorMessage(TrDialogs("The printer could not be started!"));
        return;
    }
    int pageNo = 0;
    int y = area.bottom;
    const auto pageHeader = [&] {
        if (pageNo++ > 0)
            printer.newPage();
        y = area.top;
        painter.setFont(bold);
        const qreal base = y * px + boldMetrics.ascent();
        painter.drawText(QPointF(area.left * px, base), windowTitle());
        const QString pageText = Fmt(TrDialogs("Page: %u"), {QString::number(pageNo)});
        painter.drawText(QPointF(area.right * px - boldMetrics.horizontalAdvance(pageText), base),
                         pageText);
        y += rowHeight;
        const QString filePrefix = TrDialogs("File: ");
        painter.drawText(QPointF(area.left * px, y * px + boldMetrics.ascent()),
                         filePrefix +
                             ShortenPath(FTextName, kMaxFileLine - int(filePrefix.size())));
        y += rowHeight;
        painter.drawLine(QPointF(area.left * px, y * px), QPointF(area.right * px, y * px));
        y += kHeaderGap;
        painter.setFont(font);
    };
    const TLineIndex& lines = Memo->Lines();
    for (qsizetype line = first; line <= last && line < lines.Count(); ++line) {
        const QString text = Memo->Text().mid(lines.Start(line), lines.Length(line));
        for (const QString& row : BreakPrintLine(text, fits)) {
            if (y + rowHeight > area.bottom)
                pageHeader();
            painter.drawText(QPointF(area.left * px, y * px + metrics.ascent()), row);
            y += rowHeight;
        }
    }
    if (pageNo == 0)
        pageHeader();
    painter.end();
    QApplication::restoreOverrideCursor();
    FPrinting = false;
}

void TShowTextDialog::DeleteSelection()
{
    if (!Memo->HasSelection() ||
        !ConfirmMessageAt(mapToGlobal(QPoint(200, 100)), TrDialogs("Delete selected text?"), mbNo))
        return;
    QString text = Memo->Text();
    const qsizetype start = Memo->SelectionStart();
    text.remove(start, Memo->SelectionEnd() - start);
    QSaveFile file(FTextName);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(EncodeLogText(text, FUsedCodePage)) >= 0 && file.commit();
    if (!written) {
        ErrorMessage(Fmt(TrDialogs("Error writing file: \"%s\""), {FTextName}));
        return;
    }
    LoadText();
    Memo->SetCaret(start);
}

namespace {

QPointer<TShowTextDialog>& Instance()
{
    static QPointer<TShowTextDialog> instance;
    return instance;
}

} // namespace

void ShowTextFile(const QString& Title, const QString& TextDatei, const QString& PrevCap1,
                  const QString& NextCap1, const QString& SrchText1, const QString& PrevCap2,
                  const QString& NextCap2, const QString& SrchText2, const QString& Filter,
                  const QPoint& APos, int Line, TShowDlgType DlgType, TShowDlgButtons Buttons,
                  const TPrinterSettings& PrtSettings, int CodePage)
{
    if (!Instance()) {
        Instance() = new TShowTextDialog(DialogMainWindow());
        if (APos != QPoint(0, -1))
            Instance()->LoadViewSettings(ViewSettingsFile());
    }
    QPointer<TShowTextDialog> dialog = Instance();
    dialog->Execute(Title, TextDatei, PrevCap1, NextCap1, SrchText1, PrevCap2, NextCap2, SrchText2,
                    Filter, APos, Line, DlgType, Buttons, PrtSettings, CodePage);
    if (DlgType == stModal)
        FreeShowTextDialog();
}

TShowTextDialog* ShownTextDialog()
{
    return Instance().data();
}

void FreeShowTextDialog()
{
    delete Instance().data();
}

void SetShowTextHook(std::function<void(TShowTextDialog&)> hook)
{
    ShowHook() = std::move(hook);
}

void SetPrintDialogHook(std::function<bool(QPrinter&)> hook)
{
    PrintHook() = std::move(hook);
}

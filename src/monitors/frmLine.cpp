#include "monitors/frmLine.h"

#include "session/SaveFile.h"
#include "ui/MsgBox.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QIODevice>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

frmLine::frmLine(LineRecord &line, QWidget *parent)
    : Form(parent, Qt::Window)
    , m_line(line)
{
    setObjectName(QStringLiteral("frmLine"));
    setWindowTitle(Caption);
    resize(760, 420);

    txtLine = new QPlainTextEdit(this);
    txtLine->setObjectName(QStringLiteral("txtLine"));
    txtLine->setAccessibleName(QStringLiteral("Bytes on the line"));
    txtLine->setReadOnly(true);
    txtLine->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtLine->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtLine->setUndoRedoEnabled(false);
    // Far more lines than the kept bytes make at 4 polls a second; only a
    // line of single bytes would reach it.
    txtLine->setMaximumBlockCount(50000);

    chkHex = new QCheckBox(QStringLiteral("Hex"), this);
    chkHex->setObjectName(QStringLiteral("chkHex"));
    cmdPause = new QPushButton(QStringLiteral("Pause"), this);
    cmdPause->setObjectName(QStringLiteral("cmdPause"));
    cmdPause->setCheckable(true);
    cmdClear = new QPushButton(QStringLiteral("Clear"), this);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    cmdSave = new QPushButton(QStringLiteral("Save\u2026"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    connect(chkHex, &QCheckBox::toggled, this, [this] { rebuild(); });
    connect(cmdPause, &QPushButton::toggled, this, [this](bool paused) {
        if (!paused)
            sync();
    });
    connect(cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdPause);
    buttons->addWidget(cmdClear);
    buttons->addWidget(chkHex);
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(txtLine, 1);
}

void frmLine::sync()
{
    if (!isVisible() || cmdPause->isChecked())
        return;
    const auto &chunks = m_line.chunks();
    if (chunks.empty() || chunks.back().number < m_shownNext)
        return;
    if (chunks.front().number > m_shownNext) {
        // Some were dropped unseen: what is shown must match what is kept.
        rebuild();
        return;
    }
    append(std::size_t(m_shownNext - chunks.front().number));
}

void frmLine::rebuild()
{
    txtLine->clear();
    m_shownNext = m_line.nextNumber();
    if (!m_line.chunks().empty()) {
        m_shownNext = m_line.chunks().front().number;
        append(0);
    }
}

void frmLine::append(std::size_t from)
{
    const auto &chunks = m_line.chunks();
    QScrollBar *bar = txtLine->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QStringList lines;
    for (std::size_t i = from; i < chunks.size(); ++i)
        lines << chunkText(chunks[i], chkHex->isChecked());
    m_shownNext = m_line.nextNumber();
    if (lines.isEmpty())
        return;
    txtLine->appendPlainText(lines.join(QLatin1Char('\n')));
    if (following)
        bar->setValue(bar->maximum());
}

QString frmLine::shownText() const
{
    return txtLine->toPlainText();
}

void frmLine::cmdClear_Click()
{
    m_line.clear();
    rebuild();
}

void frmLine::cmdSave_Click()
{
    QFileDialog dialog(this, QStringLiteral("Save Line"), QDir::home().filePath(QStringLiteral("line.txt")),
                       QStringLiteral("Text files (*.txt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        save(dialog.selectedFiles().constFirst());
}

bool frmLine::save(const QString &path)
{
    QStringList lines;
    for (const LineChunk &chunk : m_line.chunks())
        lines << chunkText(chunk, chkHex->isChecked());
    const QByteArray text = lines.isEmpty() ? QByteArray() : (lines.join(QLatin1Char('\n')) + u'\n').toUtf8();
    QString reason;
    const bool saved = saveFile(
        path,
        [&text](QIODevice &device, QString *why) {
            if (device.write(text) == text.size())
                return true;
            *why = device.errorString();
            return false;
        },
        &reason);
    if (!saved)
        MsgBox(QStringLiteral("The file %1 could not be written: %2.").arg(QDir::toNativeSeparators(path), reason),
               MsgBoxButtons::OkOnly, QStringLiteral("Save Line"));
    return saved;
}

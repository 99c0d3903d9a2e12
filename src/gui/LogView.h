#pragma once

#include <QDialog>
#include <QFutureWatcher>
#include <QUuid>

class QLabel;
class QPlainTextEdit;

// The "Download Log" sheet of one task or history entry: the log as it was
// when the sheet opened (or was last refreshed), in a selectable monospaced
// area. The file is read off the GUI thread, and only its end is shown when
// it is very large, so even a huge log never freezes the window.
class LogView : public QDialog {
    Q_OBJECT

public:
    // Longest text shown; a longer log shows its last part and a note.
    static constexpr qsizetype shownLimit = 1'000'000;

    explicit LogView(const QUuid& id, QWidget* parent = nullptr);
    ~LogView() override;
    // Opens a sheet over the parent's window that deletes itself when closed.
    static LogView* present(const QUuid& id, QWidget* parent);

    QUuid id() const { return m_id; }
    // The text shown; empty while the first read runs.
    QString text() const { return m_text; }
    // Reads the log again.
    void refresh();

signals:
    void loaded();

private:
    struct Shown {
        QString text;
        bool cut = false;
    };

    static Shown shownPart(const QString& log);
    void display(const Shown& shown);

    const QUuid m_id;
    QString m_text;
    QPlainTextEdit* m_view;
    QLabel* m_note;
    QFutureWatcher<Shown> m_read;
};

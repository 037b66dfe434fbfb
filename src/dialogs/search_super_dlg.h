// The base of the program's dialogs, and the conventions the progress
// dialogs share: the stop code of their callbacks, the throttled redraw and
// the elapsed-time text.
#pragma once

#include <QtGui/QIcon>
#include <QtWidgets/QDialog>

#include <cstdint>

namespace qm {

// What a progress callback returns when the user asked to stop; engines
// compare with this value only.
inline constexpr int kStopCode = -1;

// Whether a throttled dialog redraws now: the tick count has moved on by
// more than interval since the last redraw (unsigned 32-bit, so a wrap of
// the tick count counts as time gone by).
inline bool RefreshDue(std::uint32_t now, std::uint32_t last, std::uint32_t interval)
{
    return static_cast<std::uint32_t>(now - last) > interval;
}

// "hh:mm:ss" of a millisecond difference (hours are not wrapped).
QString FormatElapsed(std::uint32_t milliseconds);

// The desktop's icon of a file, or the program's generic file icon when
// the desktop has none.
QIcon GetShellFileIcon(const QString& path);

class CSearchSuperDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSearchSuperDlg(QWidget* parent = nullptr);

    int Flag() const { return flag_; }
    void SetFlag(int flag) { flag_ = flag; }

private:
    int flag_ = 1;
};

}  // namespace qm

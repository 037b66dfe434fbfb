// Pictures of windows for a person to look at after a change of the
// interface: nothing is asserted about the pixels.
#pragma once

#include <QtCore/QPointer>
#include <QtCore/QString>
#include <QtCore/QTimer>

#include <functional>

class QWidget;

namespace qm::test {

// The folder the pictures go to: $QM_GALLERY_DIR, else <build>/gallery.
QString GalleryDir();

// Lays out and shows `widget` (offscreen) if it is not visible, then saves
// its grab() as <gallery>/<name>.png. Returns the file's path, empty when
// it could not be written.
QString SaveToGallery(QWidget& widget, const QString& name);

// Runs `action` on the next modal window that opens (a dialog started by
// exec() or a message box), from a timer polling every 20 ms, at most
// `timeoutMs` long. The action usually saves a picture and closes the
// window. Call it before the code that opens the window. The timer is
// returned so that a test that expects no window can end the wait before
// what the action refers to is gone.
QPointer<QTimer> WhenModalOpens(std::function<void(QWidget&)> action, int timeoutMs = 5000);

// The same for the first modal window that `is` accepts.
QPointer<QTimer> WhenModalWindowIs(std::function<bool(QWidget&)> is, std::function<void(QWidget&)> action,
                                   int timeoutMs = 30000);

}  // namespace qm::test

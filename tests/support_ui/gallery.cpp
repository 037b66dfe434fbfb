#include "support_ui/gallery.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtGui/QPixmap>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <memory>

namespace qm::test {

QString GalleryDir()
{
    const QByteArray fromEnvironment = qgetenv("QM_GALLERY_DIR");
    if (!fromEnvironment.isEmpty()) {
        return QString::fromLocal8Bit(fromEnvironment);
    }
    const QByteArray binary = qgetenv("QM_BINARY_DIR");
    if (!binary.isEmpty()) {
        return QString::fromLocal8Bit(binary) + QStringLiteral("/gallery");
    }
    return QStringLiteral(QM_GALLERY_DEFAULT_DIR);
}

QString SaveToGallery(QWidget& widget, const QString& name)
{
    if (!widget.isVisible()) {
        widget.show();
    }
    QApplication::processEvents();
    const QString dir = GalleryDir();
    if (!QDir().mkpath(dir)) {
        return {};
    }
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    return widget.grab().save(path, "PNG") ? path : QString();
}

QPointer<QTimer> WhenModalWindowIs(std::function<bool(QWidget&)> is, std::function<void(QWidget&)> action,
                                   int timeoutMs)
{
    auto* timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer,
                     [timer, clock, timeoutMs, is = std::move(is), action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible() && is(*modal)) {
            timer->stop();
            timer->deleteLater();
            action(*modal);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return timer;
}

QPointer<QTimer> WhenModalOpens(std::function<void(QWidget&)> action, int timeoutMs)
{
    return WhenModalWindowIs([](QWidget&) { return true; }, std::move(action), timeoutMs);
}

}  // namespace qm::test

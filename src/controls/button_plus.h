// A push button that tells a listener when the pointer enters and leaves
// it, with the text the listener should show meanwhile (the start page's
// mode descriptions follow the pointer this way).
#pragma once

#include <QtWidgets/QToolButton>

namespace qm {

class CButtonPlus : public QToolButton {
    Q_OBJECT

public:
    CButtonPlus(int id, const QString& text, QWidget* parent = nullptr);

    int Id() const { return id_; }
    void SetPromptText(const QString& text) { prompt_ = text; }
    const QString& PromptText() const { return prompt_; }
    void SetHandCursor(bool hand);

Q_SIGNALS:
    void PromptShown(int id, const QString& text);
    void PromptHidden(int id);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int id_;
    QString prompt_;
};

}  // namespace qm

// The program's own help: one HTML page per topic id, compiled into the
// program and shown in a help window. Pages, dialogs and the sheet ask for a
// topic by id; tests put a recorder in place of the window.
#pragma once

#include <QtCore/QString>
#include <QtCore/QUrl>

#include <functional>
#include <span>

class QWidget;

namespace qm {

// Every topic id the program opens.
std::span<const int> HelpTopicIds();

// The page of a topic in the language's folder ("English", "Deutsch",
// "Japanese" as stored in the settings), falling back to English; the list
// of topics (in the language, else English) for an id without a page.
QUrl HelpTopicUrl(int topic, const QString& language);

// Whether a page exists for the topic in English.
bool HasHelpTopic(int topic);

// Where help goes. The default shows the help window; a test replaces it.
using HelpViewer = std::function<void(QWidget* owner, int topic)>;
void SetHelpViewer(HelpViewer viewer);

// The help window while it is open, else null.
QWidget* OpenHelpWindow();

} // namespace qm

// Shows the topic in the current language. Always returns 0.
int OpenHelpTopic(QWidget* owner, unsigned topic);

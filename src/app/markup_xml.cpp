#include "app/markup_xml.h"

#include <QtCore/QFile>
#include <QtCore/QTextStream>

#include "platform/log.h"

CMarkupMSXML::CMarkupMSXML() { CreateDocument(); }

CMarkupMSXML::~CMarkupMSXML() = default;

bool CMarkupMSXML::CreateDocument()
{
    document_ = QDomDocument();
    parent_ = QDomNode();
    main_ = QDomNode();
    child_ = QDomNode();
    // One DOM implementation: the version number only tells that there is one.
    version_ = 6;
    return true;
}

void CMarkupMSXML::SetParseError(const QString& message, int line, int column)
{
    QString reason = message;
    while (reason.endsWith(QLatin1Char('\n')) || reason.endsWith(QLatin1Char('\r'))) {
        reason.chop(1);
    }
    // Written by hand rather than through a second document: a DOM keeps
    // attributes in no fixed order, and this text should read the same in
    // every log.
    QString text = QStringLiteral("<error msg=\"") + reason.toHtmlEscaped() + QLatin1Char('"');
    if (line > 0) {
        text += QStringLiteral(" line=\"%1\" linepos=\"%2\"").arg(line).arg(column);
    }
    text += QStringLiteral("/>");
    error_ = text.toStdString();
    DebugTrace("%s", error_.c_str());
}

bool CMarkupMSXML::SetContent(const QByteArray& bytes)
{
    QDomDocument parsed;
    QString message;
    int line = 0;
    int column = 0;
    // QDomDocument reads the internal DTD subset and never fetches an
    // external entity or DTD: a SYSTEM reference stays unresolved.
    if (!parsed.setContent(bytes, false, &message, &line, &column)) {
        document_ = QDomDocument();
        SetParseError(message, line, column);
        return false;
    }
    document_ = parsed;
    error_.clear();
    return true;
}

bool CMarkupMSXML::LoadFile(const char* path)
{
    ResetPosition();
    if (path == nullptr) {
        SetParseError(QStringLiteral("no file name"), 0, 0);
        return false;
    }
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly)) {
        SetParseError(file.errorString(), 0, 0);
        return false;
    }
    if (file.size() > kMaxFileSize) {
        SetParseError(QStringLiteral("file too large"), 0, 0);
        return false;
    }
    const bool ok = SetContent(file.readAll());
    ResetPosition();
    return ok;
}

bool CMarkupMSXML::SetDocument(const char* text)
{
    ResetPosition();
    if (text == nullptr || *text == '\0') {
        CreateDocument();
        ResetPosition();
        return true;
    }
    const bool ok = SetContent(QByteArray(text));
    ResetPosition();
    return ok;
}

std::string CMarkupMSXML::GetDocument() const { return document_.toString(-1).toStdString(); }

void CMarkupMSXML::ResetPosition()
{
    child_ = QDomNode();
    main_ = QDomNode();
    parent_ = document_;
}

void CMarkupMSXML::ResetMainPosition()
{
    child_ = QDomNode();
    main_ = QDomNode();
}

void CMarkupMSXML::ResetChildPosition() { child_ = QDomNode(); }

QDomNode CMarkupMSXML::NextElement(QDomNode node, const char* name)
{
    for (; !node.isNull(); node = node.nextSibling()) {
        if (node.isElement() && (name == nullptr || node.nodeName() == QString::fromUtf8(name))) {
            return node;
        }
    }
    return {};
}

bool CMarkupMSXML::FindElement(const char* name)
{
    if (parent_.isNull()) {
        parent_ = document_;
    }
    const QDomNode start = main_.isNull() ? parent_.firstChild() : main_.nextSibling();
    const QDomNode found = NextElement(start, name);
    if (found.isNull()) {
        return false;
    }
    main_ = found;
    child_ = QDomNode();
    return true;
}

bool CMarkupMSXML::FindChildElement(const char* name)
{
    if (main_.isNull() && !FindElement(nullptr)) {
        return false;
    }
    const QDomNode start = child_.isNull() ? main_.firstChild() : child_.nextSibling();
    const QDomNode found = NextElement(start, name);
    if (found.isNull()) {
        return false;
    }
    child_ = found;
    return true;
}

std::string CMarkupMSXML::GetAttribute(const char* name) const
{
    if (name == nullptr || !main_.isElement()) {
        return {};
    }
    return main_.toElement().attribute(QString::fromUtf8(name)).toStdString();
}

std::string CMarkupMSXML::GetChildAttribute(const char* name) const
{
    if (name == nullptr || !child_.isElement()) {
        return {};
    }
    return child_.toElement().attribute(QString::fromUtf8(name)).toStdString();
}

CMarkupMSXML::NodeKind CMarkupMSXML::KindOf(const QDomNode& node)
{
    switch (node.nodeType()) {
    case QDomNode::ElementNode: return kElement;
    case QDomNode::TextNode: return node.nodeValue().trimmed().isEmpty() ? kWhitespace : kText;
    case QDomNode::CDATASectionNode: return kCData;
    case QDomNode::ProcessingInstructionNode: return kProcessingInstruction;
    case QDomNode::CommentNode: return kComment;
    default: return kOther;
    }
}

std::string CMarkupMSXML::GetChildData() const
{
    switch (KindOf(child_)) {
    case kElement: return child_.hasChildNodes() ? child_.toElement().text().toStdString() : std::string();
    case kText:
    case kWhitespace:
    case kCData:
    case kComment: return child_.nodeValue().toStdString();
    case kProcessingInstruction: {
        const QDomProcessingInstruction instruction = child_.toProcessingInstruction();
        return (instruction.target() + QLatin1Char(' ') + instruction.data()).toStdString();
    }
    case kOther: break;
    }
    return {};
}

std::string CMarkupMSXML::GetChildSubDocument() const
{
    if (child_.isNull()) {
        return {};
    }
    QString text;
    QTextStream stream(&text);
    child_.save(stream, -1);
    return text.toStdString();
}

bool CMarkupMSXML::AddElement(const char* name, const char* data)
{
    if (name == nullptr) {
        return false;
    }
    QDomElement element = document_.createElement(QString::fromUtf8(name));
    if (element.isNull()) {
        return false;
    }
    if (data != nullptr) {
        element.appendChild(document_.createTextNode(QString::fromUtf8(data)));
    }
    if (parent_.isNull()) {
        parent_ = document_;
    }
    if (parent_.isDocument() && !document_.documentElement().isNull()) {
        return false;  // one root only
    }
    const QDomNode added = main_.isNull() ? parent_.appendChild(element) : parent_.insertAfter(element, main_);
    if (added.isNull()) {
        return false;
    }
    main_ = added;
    child_ = QDomNode();
    return true;
}

bool CMarkupMSXML::SetAttribute(const char* name, const char* value)
{
    if (name == nullptr || value == nullptr || !main_.isElement()) {
        return false;
    }
    main_.toElement().setAttribute(QString::fromUtf8(name), QString::fromUtf8(value));
    return true;
}

bool CMarkupMSXML::SetAttribute(const char* name, int value)
{
    return SetAttribute(name, std::to_string(value).c_str());
}

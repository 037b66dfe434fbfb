// A small cursor-style reader and writer over a DOM document: the file-type
// catalogue reads "FileFilter.xml" with it. Documents with a document type
// declaration load; external entities are never fetched. Texts are UTF-8.
//
// The main position is the current element; the parent position is the
// element whose children the main position walks; the child position walks
// the children of the main position.
#pragma once

#include <QtXml/QDomDocument>

#include <string>

class CMarkupMSXML {
public:
    // How the wrapper classifies DOM nodes.
    enum NodeKind { kOther = 0, kElement = 1, kText = 2, kWhitespace = 4, kCData = 8, kProcessingInstruction = 16,
                    kComment = 32 };

    // Files larger than this are refused as unreadable.
    static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

    CMarkupMSXML();
    virtual ~CMarkupMSXML();

    // A new empty document; positions cleared.
    bool CreateDocument();
    bool LoadFile(const char* path);
    // Null or empty text: a new empty document and true.
    bool SetDocument(const char* text);
    std::string GetDocument() const;

    void ResetPosition();
    void ResetMainPosition();
    void ResetChildPosition();

    // Moves to the next element (with this tag name unless null) among the
    // parent's children; true when one was found, else nothing moves.
    bool FindElement(const char* name = nullptr);
    // The same one level down, among the main element's children.
    bool FindChildElement(const char* name = nullptr);

    std::string GetAttribute(const char* name) const;
    std::string GetChildAttribute(const char* name) const;
    std::string GetChildData() const;
    // The child element with all its content as XML text.
    std::string GetChildSubDocument() const;

    // A new element at the main position's level (the root in an empty
    // document), which becomes the main position.
    bool AddElement(const char* name, const char* data = nullptr);
    bool SetAttribute(const char* name, const char* value);
    bool SetAttribute(const char* name, int value);

    // The text of the last load's failure: an element "error" with the
    // attributes "msg", "line" and "linepos"; empty after a good load.
    const std::string& GetError() const { return error_; }
    int GetVersion() const { return version_; }

    static NodeKind KindOf(const QDomNode& node);

private:
    bool SetContent(const QByteArray& bytes);
    void SetParseError(const QString& message, int line, int column);
    static QDomNode NextElement(QDomNode from, const char* name);

    QDomDocument document_;
    QDomNode parent_;
    QDomNode main_;
    QDomNode child_;
    std::string error_;
    std::string secondText_;
    int version_ = 0;
};

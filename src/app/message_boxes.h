#pragma once
// Every modal box of the tool goes through MessageBoxes, so that a test can
// answer the boxes instead of a person and read what they said. Texts come
// translated already; the boxes translate only their own captions.

#include <QString>
#include <QStringList>

class QWidget;

// The application title: task-bar text and the caption of plain and error
// boxes, in the window's language.
QString AppTitle();

class MessageBoxes {
public:
    enum class Kind { Message, ConfirmYesNo, ConfirmOkCancel, Error };

    virtual ~MessageBoxes() = default;

    // Plain box: text, a single OK button, no icon, the application title as caption.
    virtual void Message(const QString& text) = 0;
    // Caption "提示": Yes/No with a question icon, or OK/Cancel with an
    // information icon and Cancel as default. True for Yes or OK.
    virtual bool Confirm(const QString& text, Kind kind) = 0;
    // Error icon, OK, the application title as caption.
    virtual void Error(const QString& text) = 0;
};

// The boxes in use; the Qt boxes unless a test installed others.
MessageBoxes& Boxes();
// Installs boxes (nullptr: back to the Qt boxes). The caller keeps ownership.
void SetBoxes(MessageBoxes* boxes);

// The real boxes: QMessageBox::exec, a nested event loop as the original.
class QtMessageBoxes : public MessageBoxes {
public:
    void Message(const QString& text) override;
    bool Confirm(const QString& text, Kind kind) override;
    void Error(const QString& text) override;
};

#pragma once

#include <QString>
#include <optional>

// What a file command asks of the window's one file dialog. The filter list is in
// the "description|pattern|description|pattern|" form the commands are written
// with; the default extension is handed over as written ("*.led").
struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString filter;
    QString defaultExt;
    QString fileName;
};

class CommonDialog {
public:
    virtual ~CommonDialog() = default;
    // The full path chosen, or nothing when the user cancelled.
    virtual std::optional<QString> show(const FileDialogRequest& request) = 0;
};

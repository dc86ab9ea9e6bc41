#pragma once

#include <QString>

namespace korvane {

// Shows a file selected in the platform's file manager.
class FileReveal {
public:
    virtual ~FileReveal() = default;
    virtual void reveal(const QString &filePath) = 0;
};

// The desktop's file manager: org.freedesktop.FileManager1 ShowItems, else
// the folder opened with xdg-open; explorer /select on Windows.
class DesktopFileReveal final : public FileReveal {
public:
    void reveal(const QString &filePath) override;
};

} // namespace korvane

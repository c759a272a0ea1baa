// Answers the update procedure's dialogs from a script and keeps the log
// in memory, so that the procedure runs without a window or a disk.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "repair/UpdateHost.h"

namespace wof {

class FakeUpdateHost : public UpdateHost {
public:
    struct Box {
        enum Kind { Confirm, Information, Error } kind;
        std::wstring text;
    };

    bool answerYes = true;
    std::wstring executablePath = LR"(C:\Tools\WordOpenFix.exe)";
    unsigned long createError = 0;  // non-zero: the log cannot be created
    int failWriteAt = -1;           // index of the log write that fails
    unsigned long failFlushWith = 0;
    unsigned long failCloseWith = 0;

    std::vector<Box> boxes;
    std::vector<std::wstring> createdPaths;
    std::string log;  // bytes written to the log
    bool logClosed = false;

    bool Confirm(const std::wstring& text) override {
        boxes.push_back({Box::Confirm, text});
        return answerYes;
    }
    void ShowInformation(const std::wstring& text) override { boxes.push_back({Box::Information, text}); }
    void ShowError(const std::wstring& text) override { boxes.push_back({Box::Error, text}); }
    std::wstring ExecutablePath() override { return executablePath; }
    std::wstring DescribeError(unsigned long error) override { return L"error " + std::to_wstring(error); }

    std::unique_ptr<LogFile> CreateLogFile(const std::wstring& path, unsigned long* error) override {
        createdPaths.push_back(path);
        if (createError != 0) {
            *error = createError;
            return nullptr;
        }
        return std::make_unique<File>(*this);
    }

    // Kinds of the boxes shown, in order.
    std::vector<Box::Kind> Kinds() const {
        std::vector<Box::Kind> kinds;
        for (const Box& box : boxes) kinds.push_back(box.kind);
        return kinds;
    }

private:
    class File : public LogFile {
    public:
        explicit File(FakeUpdateHost& host) : host_(host) {}
        unsigned long Write(const std::string& bytes) override {
            if (writes_++ == host_.failWriteAt) return 112;  // disk full
            host_.log += bytes;
            return 0;
        }
        unsigned long Flush() override { return host_.failFlushWith; }
        unsigned long Close() override {
            host_.logClosed = true;
            return host_.failCloseWith;
        }

    private:
        FakeUpdateHost& host_;
        int writes_ = 0;
    };
};

}  // namespace wof

#include "ui/answering_files.h"

#include <utility>

#include "ui/held_thread.h"

namespace zel::ui {

namespace {

template <typename Call>
auto whileAnswering(Call call) {
    decltype(call()) result{};
    runWhileAnswering([&] { result = call(); });
    return result;
}

class AnsweringOutput final : public OpenFile {
public:
    explicit AnsweringOutput(std::unique_ptr<OpenFile> inner) : inner_(std::move(inner)) {}
    ~AnsweringOutput() override { closeFile(); }

    int64_t length() override { return inner_->length(); }
    std::size_t readBytes(uint8_t* buffer, std::size_t count) override {
        return inner_->readBytes(buffer, count);
    }
    bool writeBytes(const uint8_t* bytes, std::size_t count) override {
        return inner_->writeBytes(bytes, count);
    }
    FileAttributes attributes() override { return inner_->attributes(); }
    void takeAttributes(const FileAttributes& source) override { inner_->takeAttributes(source); }
    bool flushToDisk() override {
        return whileAnswering([this] { return inner_->flushToDisk(); });
    }
    bool keepWhenClosed() override {
        return whileAnswering([this] { return inner_->keepWhenClosed(); });
    }
    bool removedWhenClosed() const override { return inner_->removedWhenClosed(); }
    bool closeFile() override {
        if (closed_) {
            return true;
        }
        closed_ = true;
        return whileAnswering([this] { return inner_->closeFile(); });
    }
    SystemError lastError() const override { return inner_->lastError(); }

private:
    std::unique_ptr<OpenFile> inner_;
    bool closed_ = false;
};

}  // namespace

std::unique_ptr<OpenFile> AnsweringFiles::createBinary(const std::string& path,
                                                       CreateOutcome& outcome,
                                                       const FileAttributes& source) {
    auto file = inner_.createBinary(path, outcome, source);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<AnsweringOutput>(std::move(file));
}

RenameOutcome AnsweringFiles::renameFile(const std::string& from, const std::string& to) {
    return whileAnswering([&] { return inner_.renameFile(from, to); });
}

bool AnsweringFiles::deleteFile(const std::string& path) {
    return whileAnswering([&] { return inner_.deleteFile(path); });
}

}  // namespace zel::ui

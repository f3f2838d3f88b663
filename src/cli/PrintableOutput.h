#pragma once
// stdout and stderr as the commands write them: device and file texts reach the terminal without
// their control characters (see PrintableFilter).
#include <QtCore/QIODevice>
#include <cstdio>

#include "util/Printable.h"

namespace tavrel::cli {

class PrintableOutput : public QIODevice {
  public:
    explicit PrintableOutput(std::FILE* file) : file_(file) { open(QIODevice::WriteOnly); }
    ~PrintableOutput() override {
        const std::string rest = filter_.finish();
        std::fwrite(rest.data(), 1, rest.size(), file_);
        std::fflush(file_);
    }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        const std::string out = filter_.feed(std::string_view(data, static_cast<std::size_t>(size)));
        if (std::fwrite(out.data(), 1, out.size(), file_) != out.size()) return -1;
        std::fflush(file_);
        return size;
    }

  private:
    std::FILE* file_;
    PrintableFilter filter_;
};

}  // namespace tavrel::cli

#include "WindowHarness.h"

#include <fstream>
#include <iterator>

namespace tavrel::test {

std::filesystem::path Harness::languageFile() const {
    return std::filesystem::path(home.path().toStdString()) / "vesk.ini";
}

void Harness::writeLanguageFile(const std::string& bytes) const {
    std::ofstream out(languageFile(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string Harness::readLanguageFile() const {
    std::ifstream in(languageFile(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

NetworkSettings Harness::loopbackNetwork() {
    NetworkSettings network;
    network.broadcast = "127.255.255.255";
    network.localPort = 0;
    return network;
}

std::unique_ptr<CConfigDlg> Harness::makeWindow(QList<AdapterAddress> adapters, NetworkSettings network) {
    ConfigDlgServices services;
    services.adapters = std::make_shared<FixedAdapterSource>(std::move(adapters));
    services.prompts = prompts;
    services.network = network;
    const std::filesystem::path base(home.path().toStdString());
    services.paths = AppPaths{base / "vesk.ini", base / "io.ini", base / "VESK-Config"};
    services.runModal = [this](QDialog& dialog) {
        ++modalRuns;
        if (onModal) onModal(dialog);
        return static_cast<int>(QDialog::Accepted);
    };
    return std::make_unique<CConfigDlg>(std::move(services));
}

}  // namespace tavrel::test

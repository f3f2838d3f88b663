#include "Adapters.h"

#include <QtNetwork/QNetworkInterface>

namespace tavrel {

QList<AdapterAddress> SystemAdapterSource::addresses() const {
    QList<AdapterAddress> list;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& adapter : interfaces) {
        const QString description =
            adapter.humanReadableName().isEmpty() ? adapter.name() : adapter.humanReadableName();
        for (const QNetworkAddressEntry& entry : adapter.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol) continue;
            list.append({description, entry.ip().toString(), entry.netmask().toString()});
        }
    }
    return list;
}

QString adapterMenuText(const AdapterAddress& adapter) {
    return adapter.description + QStringLiteral(" | ") + adapter.address;
}

}  // namespace tavrel

#pragma once
// The local IPv4 addresses the protocol socket may be bound to, one entry per address.
#include <QtCore/QList>
#include <QtCore/QString>

namespace tavrel {

struct AdapterAddress {
    QString description;  // the adapter's human-readable name
    QString address;      // dotted IPv4 address
    QString netmask = {};  // dotted IPv4 mask; empty when unknown
};

// Where the adapter list comes from; tests hand in their own.
class AdapterSource {
  public:
    virtual ~AdapterSource() = default;
    // Every IPv4 address of every adapter, adapter by adapter, in the system's order.
    virtual QList<AdapterAddress> addresses() const = 0;
};

// The system's adapters, from QNetworkInterface.
class SystemAdapterSource : public AdapterSource {
  public:
    QList<AdapterAddress> addresses() const override;
};

// A fixed list, for tests and for callers that already hold one.
class FixedAdapterSource : public AdapterSource {
  public:
    explicit FixedAdapterSource(QList<AdapterAddress> list) : list_(std::move(list)) {}
    QList<AdapterAddress> addresses() const override { return list_; }

  private:
    QList<AdapterAddress> list_;
};

// Menu text of an adapter address: description, " | ", address.
QString adapterMenuText(const AdapterAddress& adapter);

}  // namespace tavrel

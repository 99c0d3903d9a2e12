#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

// An incremental SHA-256 fast enough to keep up with a download over a local
// network (OpenSSL where available, Qt's own otherwise).
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(QByteArrayView data);
    // Lower-case hex of everything added; call once.
    QByteArray hex();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

#include "Sha256.h"

#ifdef KLIPWELL_HAVE_OPENSSL
#include <openssl/evp.h>

struct Sha256::State {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256()
    : m_state(std::make_unique<State>())
{
    EVP_DigestInit_ex(m_state->context, EVP_sha256(), nullptr);
}

void Sha256::add(QByteArrayView data)
{
    EVP_DigestUpdate(m_state->context, data.data(), size_t(data.size()));
}

QByteArray Sha256::hex()
{
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int size = 0;
    EVP_DigestFinal_ex(m_state->context, reinterpret_cast<unsigned char*>(digest.data()), &size);
    digest.truncate(int(size));
    return digest.toHex();
}

#else
#include <QCryptographicHash>

struct Sha256::State {
    QCryptographicHash hash { QCryptographicHash::Sha256 };
};

Sha256::Sha256()
    : m_state(std::make_unique<State>())
{
}

void Sha256::add(QByteArrayView data)
{
    m_state->hash.addData(data);
}

QByteArray Sha256::hex()
{
    return m_state->hash.result().toHex();
}
#endif

Sha256::~Sha256() = default;

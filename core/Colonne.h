#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace core {

/// A column of samples in blocks of 2^Bits elements: grows at the end without
/// moving what it holds, loses whole samples at its start, and reads any element
/// in two steps. One allocation per block, where a deque makes one per 512 bytes
/// (a month of samples loaded was spending a twentieth of its time in malloc).
template <typename T, unsigned Bits = 14> class Colonne {
public:
    static constexpr size_t kParBloc = size_t(1) << Bits;

    size_t size() const { return m_n; }
    bool empty() const { return m_n == 0; }

    const T& operator[](size_t i) const {
        const size_t k = i + m_debut;
        return m_blocs[k >> Bits][k & kMasque];
    }
    T& operator[](size_t i) {
        const size_t k = i + m_debut;
        return m_blocs[k >> Bits][k & kMasque];
    }
    T& back() { return (*this)[m_n - 1]; }

    /// Throws std::bad_alloc and stays as it was when a new block cannot be had.
    void push_back(const T& v) {
        const size_t k = m_debut + m_n;
        if ((k >> Bits) == m_blocs.size()) {
            std::unique_ptr<T[]> bloc(new T[kParBloc]);
            m_blocs.push_back(std::move(bloc));
        }
        m_blocs[k >> Bits][k & kMasque] = v;
        ++m_n;
    }

    /// Keeps the first `n` elements (no more than are held), freeing the blocks after.
    void tronque(size_t n) {
        if (n >= m_n)
            return;
        m_n = n;
        m_blocs.resize(m_n == 0 ? 0 : ((m_debut + m_n - 1) >> Bits) + 1);
        if (m_n == 0)
            m_debut = 0;
    }

    /// Drops the first `n` elements (no more than are held), freeing whole blocks.
    void retireDebut(size_t n) {
        n = n < m_n ? n : m_n;
        m_debut += n;
        m_n -= n;
        const size_t libres = m_n == 0 ? m_blocs.size() : m_debut >> Bits;
        m_blocs.erase(m_blocs.begin(), m_blocs.begin() + static_cast<std::ptrdiff_t>(libres));
        m_debut = m_n == 0 ? 0 : m_debut & kMasque;
    }

    /// Empties the column and gives its memory back.
    void vide() {
        std::vector<std::unique_ptr<T[]>>().swap(m_blocs);
        m_debut = 0;
        m_n = 0;
    }

    /// Bytes held for elements, blocks partly used included.
    size_t octets() const { return m_blocs.size() * kParBloc * sizeof(T); }

private:
    static constexpr size_t kMasque = kParBloc - 1;
    std::vector<std::unique_ptr<T[]>> m_blocs;
    size_t m_debut = 0; // where the first element sits in the first block
    size_t m_n = 0;
};

} // namespace core

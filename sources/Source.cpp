#include "sources/Source.h"

namespace sources {

std::optional<TypeSource> typeSource(int i) {
    switch (i) {
    case 0:
        return TypeSource::Clavier;
    case 1:
        return TypeSource::Carte;
    case 2:
        return TypeSource::Serie;
    case 3:
        return TypeSource::Texte;
    default:
        return std::nullopt;
    }
}

} // namespace sources

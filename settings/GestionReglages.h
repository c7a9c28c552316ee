#pragma once

#include "Reglages.h"

namespace files {
class FichierConfig;
}

namespace settings {

/// What the source handler does to the sources: the serial port and its
/// buffer-flush timer.
class ActionsSource {
public:
    virtual ~ActionsSource() = default;
    virtual bool portOuvert() const = 0;
    virtual void ouvrePort() = 0;
    virtual void fermePort() = 0;
    virtual void minuterieVidage(bool active) = 0;
};

/// Rate handler: applies rate option i (1 to 10) and, when `config` is given
/// (the dialog is visible), writes the configuration. False for an unknown option.
bool Option1_Click(core::Reglages& r, int i, const files::FichierConfig* config);

/// Source handler: closes or opens the serial port as source i (0 to 2) needs,
/// sets TypeSource and, when `config` is given, writes the configuration.
bool Option2_Click(core::Reglages& r, int i, ActionsSource& sources,
                   const files::FichierConfig* config);

} // namespace settings

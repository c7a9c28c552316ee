#pragma once

namespace engine {
class Moteur;
}

namespace settings {

/// Rate handler: applies rate option i (1 to 10); `ecrire` (the dialog is visible)
/// stores the settings. False for an unknown option or while the engine is busy.
bool Option1_Click(engine::Moteur& moteur, int i, bool ecrire);

/// Source handler: selects source i (0 to 2), opening or closing the serial port;
/// `ecrire` stores the settings.
bool Option2_Click(engine::Moteur& moteur, int i, bool ecrire);

} // namespace settings

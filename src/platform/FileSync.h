#pragma once
// Installs the system's call that forces written files onto the disk for the whole-file writer.
namespace tavrel {
void installFileSync();
}

#pragma once

namespace fuzz {

// Closes every stream opened through fopen and not closed since.
void closeStreamsLeftOpen();

} // namespace fuzz

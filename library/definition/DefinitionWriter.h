#pragma once

#include <string>

#include "Quillon.h"

// The definition file as the editor saves it and the host exports it: the exact text, line by
// line, with "\r\n" line ends so the bytes are the same whichever build writes them.
namespace definition_writer {

// The record of a new definition, and of every reset.
QUILLON_API ServiceDefinition NewDefinition();

// Replaces & < > ' " by their entities; every other byte is kept.
QUILLON_API std::string Escape(const std::string& text);

QUILLON_API std::string DefinitionText(const ServiceDefinition& definition);

// Writes the file so that a failure never destroys the file that was there: the text goes to a
// new file in the same folder, which replaces the old one only once it is complete. On failure
// `error` holds the system's reason and false is returned.
QUILLON_API bool WriteDefinitionFile(const ServiceDefinition& definition, const std::string& path, std::string* error = nullptr);

}  // namespace definition_writer

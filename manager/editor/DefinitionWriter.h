#pragma once

#include <string>

#include "Quillon.h"

// The definition file the editor writes: the exact text, line by line, with "\r\n" line ends
// so the bytes are the same whichever build writes them.
namespace definition_writer {

// The record of a new definition, and of every reset.
ServiceDefinition NewDefinition();

// Replaces & < > ' " by their entities; every other byte is kept.
std::string Escape(const std::string& text);

std::string DefinitionText(const ServiceDefinition& definition);

// Writes the file so that a failure never destroys the file that was there: the text goes to a
// new file in the same folder, which replaces the old one only once it is complete. On failure
// `error` holds the system's reason and false is returned.
bool WriteDefinitionFile(const ServiceDefinition& definition, const std::string& path, std::string* error = nullptr);

}  // namespace definition_writer

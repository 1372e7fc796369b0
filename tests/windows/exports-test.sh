#!/usr/bin/env bash
# Quillon.dll exports its API and nothing else: the names objdump lists, demangled, are exactly
# these. A change to the API changes this list on purpose.
set -euo pipefail
dll=$1
expected='CExcep::CExcep(CExcep const&)
CExcep::CExcep(char const*, unsigned long)
CExcep::operator=(CExcep const&)
EnvironmentVariable::~EnvironmentVariable()
LoadXMLFile
PrintQuillonVersion
ServiceInstall
ServiceInstallWith
ServicePreviewUpdate
ServiceUninstall
ServiceUpdate
ServiceUpdateWith
definition_writer::DefinitionText[abi:cxx11](ServiceDefinition const&)
definition_writer::Escape(std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> > const&)
definition_writer::NewDefinition()
definition_writer::WriteDefinitionFile(ServiceDefinition const&, std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> > const&, std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >*)
platform::SystemErrorText[abi:cxx11](unsigned long)
platform::QueryFileStatus(std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> > const&)
scm_registration::StartTypeText(unsigned long)
scm_registration::StateText(unsigned long)
registry_data::ReadParameters(std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> > const&, ServiceDefinition&, registry_data::ReadLimits const&, std::vector<std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >, std::allocator<std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> > > >*)
typeinfo for EnvironmentVariable
vtable for EnvironmentVariable'
actual=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' |
         x86_64-w64-mingw32-c++filt | LC_ALL=C sort -u)
if [ "$actual" != "$(printf '%s\n' "$expected" | LC_ALL=C sort -u)" ]; then
  echo "Quillon.dll exports differ from its API:"
  diff <(printf '%s\n' "$expected" | LC_ALL=C sort -u) <(printf '%s\n' "$actual") || true
  exit 1
fi
echo "Quillon.dll exports $(printf '%s\n' "$actual" | wc -l) names, all of its API"

# The pure core: the code that parses what an attacker may control (executable headers, the
# downloaded page, version values) and makes the report's texts. It includes no platform header
# and calls nothing of the platform, so it builds natively, under sanitizers and fuzzers. Paths are
# relative to the source root; included by tests/host and tests/fuzz.
set(RK_PURE_CORE_SOURCES
  base/AnsiString.cpp
  base/VersionText.cpp
  probes/BoundedText.cpp
  probes/ImageHeaders.cpp
  probes/Md5.cpp
  netdiag/SectionLines.cpp
  netdiag/DiagnosisText.cpp
  app/OutputRules.cpp)
set(RK_PURE_CORE_HEADERS
  base/AnsiString.h
  base/ReportText.h
  base/VersionText.h
  probes/BoundedText.h
  probes/ImageHeaders.h
  probes/Md5.h
  netdiag/SectionLines.h
  netdiag/DiagnosisText.h
  netdiag/DiagnosisTable.h
  app/OutputRules.h)

# Serial port discovery: the registry search (any platform, any registry) and
# the system's own source of port names.
add_library(travik_discovery STATIC
    CommPortList.h CommPortList.cpp
    AdapterIdentity.h AdapterIdentity.cpp
    RegistryPortDescriptions.cpp
    Registry.h
)
if(WIN32)
    target_sources(travik_discovery PRIVATE Registry_win32.cpp)
    target_link_libraries(travik_discovery PUBLIC advapi32)
else()
    target_sources(travik_discovery PRIVATE PortDiscovery_linux.cpp)
endif()
target_include_directories(travik_discovery PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(travik_discovery PUBLIC travik_errors)
travik_warnings(travik_discovery)

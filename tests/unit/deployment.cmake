# The deployment's hosts: each written once, and the URLs built from them.
add_test(NAME deployment_hosts_once
         COMMAND ${CMAKE_COMMAND} -DHEADER=${CMAKE_SOURCE_DIR}/config/Deployment.h
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/check-hosts-once.cmake)

# Bullet 3 is only a yardstick: the physics step benchmark runs the same scenes through it.
# No other target links it.
pkg_check_modules(BULLET REQUIRED IMPORTED_TARGET bullet)
target_link_libraries(physicsStep_bench PRIVATE PkgConfig::BULLET)

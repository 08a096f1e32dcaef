# The checks of scripts/test-windows.sh beyond the scenarios (sourced by it; uses its
# check, $build, $scratch, $results and the counters).

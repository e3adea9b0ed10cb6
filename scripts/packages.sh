# Debian 12 packages the build and the tests need (sourced by run.sh and test.sh).
BUILD_PACKAGES=(cmake g++ make pkg-config libsqlite3-dev libpcap-dev libcli11-dev qt6-base-dev libgl-dev
                qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libx11-dev)
TEST_PACKAGES=(libgtest-dev tshark xvfb xauth iputils-ping fonts-wqy-zenhei time locales)
RUN_PACKAGES=(xdg-utils fonts-wqy-zenhei qt6-translations-l10n)
# MAC vendor names for watch alerts and the IP-MAC map (read from /usr/share/ieee-data).
RUN_PACKAGES+=(ieee-data)
TEST_PACKAGES+=(ieee-data)
# The PostgreSQL server engine (libpq) and its tests' throwaway server.
BUILD_PACKAGES+=(libpq-dev)
TEST_PACKAGES+=(postgresql)

#!/usr/bin/env bash
# Writes an icecast2 configuration for the demo into FOLDER/icecast.xml:
# 127.0.0.1:PORT, mount /stream with the plug-in's default source login
# (admin / tovrz) and UTF-8 station texts, logs in FOLDER/log. Run as root, icecast2 drops to the
# icecast2 user, which must be able to write the logs.
#
#   scripts/demo_icecast_config.sh FOLDER PORT
set -euo pipefail
folder=$1
port=$2

rm -rf "$folder"
mkdir -p "$folder/log"

security=
if [ "$(id -u)" -eq 0 ]; then
  chown icecast2:icecast "$folder/log"
  security="  <security>
    <chroot>0</chroot>
    <changeowner><user>icecast2</user><group>icecast</group></changeowner>
  </security>"
fi

cat >"$folder/icecast.xml" <<XML
<icecast>
  <location>loopback</location>
  <admin>demo@localhost</admin>
  <hostname>127.0.0.1</hostname>
  <limits>
    <clients>20</clients>
    <sources>2</sources>
    <burst-on-connect>1</burst-on-connect>
    <burst-size>65536</burst-size>
    <source-timeout>10</source-timeout>
  </limits>
  <authentication>
    <source-password>demo-general-source</source-password>
    <admin-user>demo-admin</admin-user>
    <admin-password>demo-admin</admin-password>
  </authentication>
  <listen-socket>
    <port>$port</port>
    <bind-address>127.0.0.1</bind-address>
  </listen-socket>
  <mount type="normal">
    <mount-name>/stream</mount-name>
    <username>admin</username>
    <password>tovrz</password>
    <charset>UTF-8</charset>
  </mount>
  <paths>
    <basedir>$folder</basedir>
    <logdir>$folder/log</logdir>
    <webroot>/usr/share/icecast2/web</webroot>
    <adminroot>/usr/share/icecast2/admin</adminroot>
  </paths>
  <logging>
    <accesslog>access.log</accesslog>
    <errorlog>error.log</errorlog>
    <loglevel>3</loglevel>
  </logging>
$security
</icecast>
XML

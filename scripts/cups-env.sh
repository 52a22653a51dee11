# Sourced by the run and test scripts: a private CUPS server with a PDF printer.
# jq_start_cups DIR  starts cupsd with its files under DIR (socket DIR/cups.sock, nothing on the
#                    network), adds the printer "QuorvanelPDF" (cups-pdf) as the default and
#                    exports CUPS_SERVER (every CUPS client, Wine too, finds it through it) and
#                    JQ_PDF_DIR (where the printer writes its PDF files). Call it before the Wine
#                    prefix first starts. Does nothing when CUPS is not installed.
# jq_stop_cups       ends that cupsd and removes its printer's configuration file.

jq_start_cups() {
  local c=$1
  if ! command -v cupsd >/dev/null 2>&1 || [ ! -x /usr/lib/cups/backend/cups-pdf ]; then
    echo "cups: cupsd or cups-pdf missing; no printer" >&2
    return 0
  fi
  rm -rf "$c"
  mkdir -p "$c/spool/tmp" "$c/cache" "$c/state" "$c/log" "$c/ppd" "$c/pdf"
  cat >"$c/cupsd.conf" <<CONF
Listen $c/cups.sock
WebInterface No
Browsing No
LogLevel warn
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  cat >"$c/cups-files.conf" <<CONF
ServerRoot $c
RequestRoot $c/spool
TempDir $c/spool/tmp
StateDir $c/state
CacheDir $c/cache
AccessLog $c/log/access_log
ErrorLog $c/log/error_log
PageLog $c/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
Printcap $c/printcap
User lp
Group lp
SystemGroup root
CONF
  # cups-pdf reads the configuration named after the queue's URI: its own output folder.
  local tag
  tag=jq$(printf '%s' "$c" | md5sum | cut -c1-10)
  JQ_CUPS_PDF_CONF=/etc/cups/cups-pdf-$tag.conf
  printf 'Out %s\nAnonDirName %s\nGrp root\nLog %s\nDecodeHexStrings 1\n' \
    "$c/pdf" "$c/pdf" "$c/log" >"$JQ_CUPS_PDF_CONF"
  chown -R root:lp "$c"
  chmod -R g+rwX "$c"
  chmod 777 "$c/pdf"
  cupsd -f -c "$c/cupsd.conf" -s "$c/cups-files.conf" &
  JQ_CUPSD_PID=$!
  export CUPS_SERVER=$c/cups.sock
  local i
  for i in $(seq 1 100); do
    [ -S "$c/cups.sock" ] && lpstat -r >/dev/null 2>&1 && break
    sleep 0.1
  done
  # 600 dpi: the printouts' tab stops are device units laid out for it.
  lpadmin -p QuorvanelPDF -E -v "cups-pdf:/$tag" -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd \
      -o Resolution=600dpi &&
    lpadmin -d QuorvanelPDF || echo "cups: could not add the PDF printer" >&2
  export JQ_PDF_DIR=$c/pdf
}

jq_stop_cups() {
  if [ -n "${JQ_CUPSD_PID:-}" ]; then
    kill "$JQ_CUPSD_PID" 2>/dev/null || true
    wait "$JQ_CUPSD_PID" 2>/dev/null || true
    JQ_CUPSD_PID=
  fi
  [ -n "${JQ_CUPS_PDF_CONF:-}" ] && rm -f "$JQ_CUPS_PDF_CONF"
  JQ_CUPS_PDF_CONF=
}

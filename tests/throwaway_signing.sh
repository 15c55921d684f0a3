# Sourced by the checks of signed kits: a certificate made for the run alone,
# and a timestamp authority on 127.0.0.1, with openssl and nothing from the
# network.
#   throwaway_certificate DIR   makes in DIR a root (root.pem), a code-signing
#                               certificate under it with its key (signer.p12,
#                               password in ORVALINDE_SIGN_PASSWORD) and a
#                               timestamping one (tsa.pem, tsa.key); exports
#                               ORVALINDE_SIGN_PKCS12 and ORVALINDE_SIGN_PASSWORD
#   timestamp_authority DIR     answers RFC 3161 requests with DIR's tsa.pem;
#                               sets `tsa_url` and `tsa_pid` (the caller ends it)
throwaway_certificate() {
    local dir=$1 who
    mkdir -p "$dir"
    cat >"$dir/extensions.cnf" <<'EOF'
[root]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[tsa]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EOF
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Orvalinde throwaway root" -keyout "$dir/root.key" \
        -out "$dir/root.pem" -config <(cat /etc/ssl/openssl.cnf "$dir/extensions.cnf") -extensions root 2>/dev/null
    for who in signer tsa; do
        openssl req -newkey rsa:2048 -nodes -subj "/CN=Orvalinde throwaway $who" -keyout "$dir/$who.key" \
            -out "$dir/$who.csr" 2>/dev/null
        openssl x509 -req -in "$dir/$who.csr" -CA "$dir/root.pem" -CAkey "$dir/root.key" -days 2 \
            -set_serial "0x$(openssl rand -hex 8)" -extfile "$dir/extensions.cnf" -extensions "$who" \
            -out "$dir/$who.pem" 2>/dev/null
    done
    export ORVALINDE_SIGN_PASSWORD
    ORVALINDE_SIGN_PASSWORD=$(openssl rand -hex 12)
    openssl pkcs12 -export -inkey "$dir/signer.key" -in "$dir/signer.pem" -certfile "$dir/root.pem" \
        -passout env:ORVALINDE_SIGN_PASSWORD -out "$dir/signer.p12"
    export ORVALINDE_SIGN_PKCS12=$dir/signer.p12
}

timestamp_authority() {
    local dir=$1
    printf '%s\n' "[tsa]" "default_tsa = answer" "[answer]" "serial = $dir/tsa.serial" "crypto_device = builtin" \
        "signer_cert = $dir/tsa.pem" "certs = $dir/root.pem" "signer_key = $dir/tsa.key" "signer_digest = sha256" \
        "default_policy = 1.2.3.4.1" "digests = sha256, sha384, sha512" "accuracy = secs:1" "ess_cert_id_alg = sha256" \
        >"$dir/tsa.cnf"
    python3 - "$dir/tsa.cnf" >"$dir/tsa.port" <<'EOF' &
import http.server, os, subprocess, sys, tempfile
config = sys.argv[1]
class Answer(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "query"), "wb") as f:
                f.write(query)
            subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", os.path.join(folder, "query"),
                            "-out", os.path.join(folder, "reply")], check=True, capture_output=True)
            with open(os.path.join(folder, "reply"), "rb") as f:
                reply = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Answer)
print(server.server_address[1], flush=True)
server.serve_forever()
EOF
    tsa_pid=$!
    for _ in $(seq 50); do [ -s "$dir/tsa.port" ] && break; sleep 0.1; done
    tsa_url=http://127.0.0.1:$(cat "$dir/tsa.port")
}

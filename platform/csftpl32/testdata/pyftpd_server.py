# A pyftpdlib server on 127.0.0.1 for the library's tests: user "tester", password "secret",
# full rights in the given root folder.
#   pyftpd_server.py <root> <port>
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

root, port = sys.argv[1], int(sys.argv[2])
logging.basicConfig(level=logging.WARNING)
authorizer = DummyAuthorizer()
authorizer.add_user("tester", "secret", root, perm="elradfmwMT")
FTPHandler.authorizer = authorizer
FTPHandler.permit_foreign_addresses = False
# The token tells the starting script that the greeting is from this server.
FTPHandler.banner = ("pyftpdlib ready for the tests " + os.environ.get("JQ_FTP_TOKEN", "")).strip()
server = FTPServer(("127.0.0.1", port), FTPHandler)
server.max_cons = 64
server.serve_forever()

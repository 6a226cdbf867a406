# A harmless CGI example: answers with the request's query as plain text.
# It runs once ruz.ini has running=1 (see the [cgi0] rule there):
#   http://localhost:8080/cgi-bin/query.cgi?hello=world
printf 'Content-Type: text/plain; charset=utf-8\n\n'
printf 'QUERY_STRING=%s\n' "$QUERY_STRING"
printf 'REQUEST_METHOD=%s\n' "$REQUEST_METHOD"

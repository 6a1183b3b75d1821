-- A web shop: customers who refer customers, addresses, products, orders and their lines, reviews.
create table customers (
  id integer primary key,
  first_name varchar(40) not null,
  last_name varchar(40) not null,
  email varchar(100) not null unique,
  phone varchar(20),
  referred_by integer references customers (id),
  created_at timestamp not null
);
create table addresses (
  id integer primary key,
  customer_id integer not null references customers (id),
  street varchar(80) not null,
  city varchar(50) not null,
  postal_code varchar(10) check (postal_code like '_____'),
  country_code char(2) not null
);
create table products (
  id integer primary key,
  sku char(8) not null unique check (sku glob '[A-Z][A-Z][A-Z]-[0-9][0-9][0-9][0-9]'),
  name varchar(60) not null,
  slug varchar(60) not null check (slug not glob '*[^a-z0-9-]*'),
  description text,
  price numeric(10, 2) not null check (price > 0),
  stock smallint not null check (stock >= 0)
);
create table orders (
  id integer primary key,
  customer_id integer not null references customers (id),
  shipping_address_id integer references addresses (id),
  status varchar(10) not null check (status in ('new', 'paid', 'sent', 'returned')),
  ordered_at date not null
);
create table order_lines (
  order_id integer not null references orders (id),
  line_no smallint not null,
  product_id integer not null references products (id),
  qty integer not null check (qty between 1 and 99),
  primary key (order_id, line_no)
);
create table reviews (
  id integer primary key,
  product_id integer not null references products (id),
  customer_id integer not null references customers (id),
  rating integer not null check (rating >= 1 and rating <= 5),
  title varchar(60),
  unique (product_id, customer_id)
);
create table carts (
  id integer primary key,
  customer_id integer references customers (id),
  contents json check (json_valid(contents)),
  note,
  created_at text not null,
  due text check (due like '____-__-__')
);
